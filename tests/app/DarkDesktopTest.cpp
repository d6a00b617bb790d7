// Every window of the program on a desktop whose palette is dark, as a dark desktop theme makes
// it: each text is drawn, then drawn again without it, and the contrast of the pixels that
// differ (the letters) against the pixels there without them (what lies behind) is measured.
#include "ScratchHome.h"

#include "app/ProblemsForm.h"
#include "app/ProgressForm.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"

#include "platform/gdi/Colors.h"
#include "shell/ShellCtrls.h"
#include "support/QtTestMain.h"
#include "toolkit/Application.h"
#include "toolkit/StdCtrls.h"
#include "support/ClassicColors.h"
#include "support/Eventually.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The desktop's palette is dark before the program's application object is made.
std::unique_ptr<QObject> testsupport::MakeTestApplication(int& argc, char** argv)
{
    QPalette dark(QColor(53, 53, 53), QColor(45, 45, 45));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText})
        dark.setColor(role, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Light, QColor(90, 90, 90));
    dark.setColor(QPalette::Dark, QColor(20, 20, 20));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    QApplication::setPalette(dark);
    return std::make_unique<TApplication>(argc, argv);
}

namespace {

// The bar for normal text against what lies behind it.
constexpr double kReadable = 4.5;
// A colour of the letters counts when it covers at least a fifth of them.
constexpr std::size_t kFairShare = 5;
// The About window's titles whose colours its description fixes close to the grey behind them:
// embossed letters whose face shows the window ("Made by Korvane"), a silver-to-cream face
// ("Dupsweep ver 1.0"), a navy-to-red face ("Clan Vexal"). They are drawn exactly as on a
// light desktop, which the whole window's picture checks, and no colour of theirs reaches the bar.
const QStringList kEmbossedTitles = {QStringLiteral("glLabel1"), QStringLiteral("glLabel2"),
                                     QStringLiteral("glLabel5")};

double Luminance(QRgb rgb)
{
    const auto linear = [](int component) {
        const double c = component / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(rgb)) + 0.7152 * linear(qGreen(rgb)) + 0.0722 * linear(qBlue(rgb));
}

double Contrast(QRgb a, QRgb b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QImage Shot(TForm* form, const TControl* control)
{
    const QRect area(control->mapTo(form, QPoint(0, 0)), control->size());
    return form->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
}

// How well the letters stand out from what lies behind them: of the colours they are drawn in
// that cover a fair share of them, the one that contrasts most, by its median contrast; 0 when no
// colour does. Effect layers and a glyph that moves with the caption make up the rest. A
// windowless control is taken away to see behind it; a windowed one loses its text instead.
double TextContrast(TForm* form, TControl* control)
{
    const bool windowless = dynamic_cast<TWinControl*>(control) == nullptr;
    const QString text = control->Text();
    control->SetVisible(true);
    const QImage with = Shot(form, control);
    if (windowless)
        control->SetVisible(false);
    else
        control->SetText(QString());
    const QImage without = Shot(form, control);
    control->SetText(text);
    control->SetVisible(true);

    std::map<QRgb, std::vector<double>> byColour;
    std::size_t letters = 0;
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x)
            if (with.pixel(x, y) != without.pixel(x, y)) {
                byColour[with.pixel(x, y)].push_back(Contrast(with.pixel(x, y), without.pixel(x, y)));
                ++letters;
            }
    double best = 0;
    for (auto& [colour, contrasts] : byColour) {
        if (contrasts.size() * kFairShare < letters)
            continue;
        std::nth_element(contrasts.begin(), contrasts.begin() + contrasts.size() / 2, contrasts.end());
        best = std::max(best, contrasts[contrasts.size() / 2]);
    }
    return best;
}

// The window drawn afresh from its description, every control repainted.
QImage Redrawn(TForm* form)
{
    for (TControl* control : form->findChildren<TControl*>())
        control->Invalidate();
    form->Invalidate();
    return form->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class DarkDesktop : public testing::Test {
protected:
    void SetUp() override
    {
        home = std::make_unique<ScratchHome>();
        home->MakeDir("Desktop/Replays");
        module = std::make_unique<ShellCtrls::ShellCtrlsModule>();
        Application->SetTitle(QStringLiteral("Dupsweep"));
        Application->CreateForm(Form1);
        Application->CreateForm(Form2);
        Application->CreateForm(Form3);
        Application->CreateForm(Form4);
        Form2->ListBox1->Items()->Add(QStringLiteral("/home/user/replays/1.rep"));
        problems.SetProblems(QStringLiteral("Не прочитано"), {{"/r/1.rep", QStringLiteral("Файл не найден")}});
        progress.Status = [] { return QStringList{QStringLiteral("Найдено реплеев: 10"), QStringLiteral("/r/1.rep")}; };
    }

    void TearDown() override
    {
        delete Form4;
        delete Form3;
        delete Form2;
        delete Form1;
        module.reset();
        home.reset();
    }

    // The window looks exactly as with the classic colours it was designed with; every text of
    // it (its controls' captions and texts) is measured, and the colours Qt's own views and
    // fields draw their text in are checked.
    void CheckWindow(TForm* form)
    {
        form->Show();
        ASSERT_EVENTUALLY_EXPOSED(form);
        const QString window = form->Name().isEmpty() ? form->ClassName() : form->Name();
        const QImage onThisDesktop = Redrawn(form);
        // A look at the window as the user sees it, when asked for.
        if (const QByteArray shots = qgetenv("DUPSWEEP_SCREENSHOTS"); !shots.isEmpty()) {
            EXPECT_TRUE(onThisDesktop.save(QString::fromLocal8Bit(shots) + QStringLiteral("/dark-desktop-") + window
                                           + QStringLiteral(".png")));
        }
        {
            gdi::ScopedClassicColors designed;
            EXPECT_TRUE(Redrawn(form) == onThisDesktop) << window.toStdString() << " differs from its classic look";
        }
        Redrawn(form);
        for (TControl* control : form->findChildren<TControl*>()) {
            if (control->Text().isEmpty() || control->Parent() == nullptr)
                continue;
            const double contrast = TextContrast(form, control);
            if (form == Form3 && kEmbossedTitles.contains(control->Name())) {
                RecordProperty(control->Name().toStdString(), std::to_string(contrast));
                continue;
            }
            EXPECT_GE(contrast, kReadable) << window.toStdString() << "." << control->Name().toStdString() << " '"
                                           << control->Text().toStdString() << "'";
        }
        for (QWidget* view : form->findChildren<QWidget*>()) {
            if (!qobject_cast<QAbstractItemView*>(view) && !qobject_cast<QLineEdit*>(view))
                continue;
            const QPalette& p = view->palette();
            EXPECT_GE(Contrast(p.color(QPalette::Text).rgb(), p.color(QPalette::Base).rgb()), kReadable)
                << window.toStdString() << " " << view->metaObject()->className();
            EXPECT_GE(Contrast(p.color(QPalette::HighlightedText).rgb(), p.color(QPalette::Highlight).rgb()), kReadable)
                << window.toStdString() << " " << view->metaObject()->className() << " selected";
        }
        form->Hide();
    }

    std::unique_ptr<ScratchHome> home;
    std::unique_ptr<ShellCtrls::ShellCtrlsModule> module;
    TProblemsForm problems{nullptr};
    TProgressForm progress{nullptr};
};

TEST_F(DarkDesktop, EveryTextOfEveryWindowStandsOutFromWhatLiesBehindIt)
{
    for (TForm* form : {static_cast<TForm*>(Form1), static_cast<TForm*>(Form2), static_cast<TForm*>(Form3),
                        static_cast<TForm*>(Form4), static_cast<TForm*>(&problems), static_cast<TForm*>(&progress)})
        CheckWindow(form);
}

}  // namespace
