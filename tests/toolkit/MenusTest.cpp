// Pop-up menus: read from a description with their items nested, shown by a right click on a
// control that names them (or on a child that names none), their items picked.
#include "toolkit/Application.h"
#include "toolkit/FormReader.h"
#include "support/FormWriter.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"
#include "toolkit/StdCtrls.h"
#include "support/Eventually.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

namespace {

class TMenuForm : public TForm {
    Q_OBJECT

public:
    TMenuForm() : TForm(nullptr) {}
    std::vector<TObject*> picked;

public slots:
    void CopyClick(TObject* sender) { picked.push_back(sender); }
};

const char* const kDescription = R"(object Form1: TMenuForm
  ClientHeight = 100
  ClientWidth = 200
  PopupMenu = PopupMenu1
  object Label1: TLabel
    Left = 10
    Top = 10
    Width = 30
    Height = 13
    Caption = 'Here'
  end
  object PopupMenu1: TPopupMenu
    object Copy1: TMenuItem
      Caption = '&Copy'
      OnClick = CopyClick
    end
    object Line1: TMenuItem
      Caption = '-'
    end
    object More1: TMenuItem
      Caption = 'More'
      Enabled = False
      object Deep1: TMenuItem
        Caption = 'Deep'
      end
    end
    object Hidden1: TMenuItem
      Caption = 'Hidden'
      Visible = False
    end
  end
end
)";

class PopupMenus : public testing::Test {
protected:
    void SetUp() override
    {
        TReader::ReadRootComponent(&form, QString::fromUtf8(kDescription));
        menu = form.FindComponent<TPopupMenu>(QStringLiteral("PopupMenu1"));
        ASSERT_NE(menu, nullptr);
        form.Show();
        ASSERT_EVENTUALLY_EXPOSED(&form);
    }

    void TearDown() override
    {
        if (QMenu* shown = menu ? menu->Shown() : nullptr)
            shown->close();
    }

    static void RightClick(QWidget* widget)
    {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), widget->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(widget, &event);
    }

    static QStringList Entries(const QMenu* shown)
    {
        QStringList texts;
        for (const QAction* action : shown->actions())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return texts;
    }

    TMenuForm form;
    TPopupMenu* menu = nullptr;
};

TEST_F(PopupMenus, TheItemsNestAsTheDescriptionSaysAndWriteBackSo)
{
    ASSERT_EQ(menu->Items()->Count(), 4);
    TMenuItem* more = menu->Items()->Items(2);
    ASSERT_EQ(more->Count(), 1);
    EXPECT_EQ(more->Items(0)->Caption(), QStringLiteral("Deep"));
    EXPECT_EQ(more->Items(0)->Parent(), more);
    EXPECT_EQ(form.PopupMenu(), menu);
    // The menu writes back as it was read, nested in the form.
    const QString written = TWriter::WriteRootComponent(&form);
    const QString description = QString::fromUtf8(kDescription);
    const QString menuPart = description.mid(description.indexOf(QStringLiteral("  object PopupMenu1")));
    EXPECT_TRUE(written.endsWith(menuPart)) << written.toStdString();
    EXPECT_TRUE(written.contains(QStringLiteral("  PopupMenu = PopupMenu1\n")));
}

TEST_F(PopupMenus, ARightClickShowsTheMenuOfTheControlOrOfTheParentAndAPickRunsTheItem)
{
    auto* label = form.FindComponent<TLabel>(QStringLiteral("Label1"));
    ASSERT_EQ(label->PopupMenu(), nullptr);
    RightClick(label);  // a control without a menu of its own shows its parent's
    QMenu* shown = menu->Shown();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(Entries(shown), (QStringList{QStringLiteral("&Copy"), QStringLiteral("-"), QStringLiteral("More")}));
    EXPECT_FALSE(shown->actions().at(2)->isEnabled());
    ASSERT_NE(shown->actions().at(2)->menu(), nullptr);
    EXPECT_EQ(Entries(shown->actions().at(2)->menu()), QStringList{QStringLiteral("Deep")});

    shown->actions().at(0)->trigger();
    EXPECT_EQ(form.picked, std::vector<TObject*>{menu->Items()->Items(0)});
}

TEST_F(PopupMenus, WithoutAutoPopupOrOnceTheMenuIsFreedARightClickShowsNothing)
{
    menu->SetAutoPopup(false);
    RightClick(&form);
    EXPECT_EQ(menu->Shown(), nullptr);
    delete menu;
    menu = nullptr;
    EXPECT_EQ(form.PopupMenu(), nullptr);
    RightClick(&form);
}

}  // namespace

#include "MenusTest.moc"
