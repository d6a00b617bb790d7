// Damaged descriptions of the About window: the description read with many deterministic
// mutations, mostly of its picture's bytes. Every one is read whole or refused with the
// toolkit's clear error; none crashes, hangs or reads out of bounds (run under ASan+UBSan by
// the test script).
#include "app/Resources.h"

#include "toolkit/Exceptions.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/FormReader.h"
#include "toolkit/Forms.h"
#include "toolkit/Jpeg.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

// The About window's handlers, without its code: the descriptions are read into this.
class TAboutDescriptionHost : public TForm {
    Q_OBJECT

public:
    using TForm::TForm;

public slots:
    void glLabel6Click(TObject*) {}
    void glLabel5MouseMove(TObject*, TShiftState, int, int) {}
    void glLabel5MouseLeave(TObject*) {}
    void Timer1Timer(TObject*) {}
};

namespace {

// 10,000 damaged copies in all, in shards that a parallel test run spreads over its workers. The
// sanitizer build, some forty times slower at reading a description, reads the first 100 of each
// shard: every kind of damage many times over, in seconds.
constexpr int kShards = 4;
#ifdef DUPSWEEP_SANITIZED
constexpr int kMutationsPerShard = 100;
#else
constexpr int kMutationsPerShard = 2500;
#endif

class Mutator {
public:
    explicit Mutator(std::uint32_t seed) : FState(seed) {}

    std::uint32_t Below(std::uint32_t bound)
    {
        FState = FState * 1664525u + 1013904223u;
        return (FState >> 8) % bound;
    }

    // One damaged copy of text, whose picture's hexadecimal digits lie in [hexBegin, hexEnd).
    QString Mutate(QString text, qsizetype hexBegin, qsizetype hexEnd)
    {
        static const QString kDigits = QStringLiteral("0123456789ABCDEF");
        static const QString kNoise = QStringLiteral("'{}()[]<>=.,#$+-_ \n09AZaz\u00e9\u043f");
        const auto anywhere = [&] { return qsizetype(Below(std::uint32_t(text.size()))); };
        const std::uint32_t kind = Below(100);
        if (kind < 55) {
            // A few bytes of the picture changed: its class name, byte count or JPEG stream.
            const std::uint32_t flips = 1 + Below(4);
            for (std::uint32_t i = 0; i < flips; ++i) {
                qsizetype at = hexBegin + qsizetype(Below(std::uint32_t(hexEnd - hexBegin)));
                while (!kDigits.contains(text[at]))
                    ++at;  // past a line break to the next digit
                text[at] = kDigits[qsizetype(Below(16))];
            }
        } else if (kind < 70) {
            text.remove(anywhere(), 1 + qsizetype(Below(200)));
        } else if (kind < 85) {
            text[anywhere()] = kNoise[qsizetype(Below(std::uint32_t(kNoise.size())))];
        } else if (kind < 93) {
            const qsizetype from = anywhere();
            text.insert(anywhere(), text.mid(from, 1 + qsizetype(Below(100))));
        } else {
            text.truncate(anywhere());
        }
        return text;
    }

private:
    std::uint32_t FState;
};

QString AboutDescription()
{
    EnsureAppResources();
    QFile file(QStringLiteral(":/forms/Unit3.form"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromUtf8(file.readAll())
        .replace(QStringLiteral("object Form3: TForm3"), QStringLiteral("object Form3: TAboutDescriptionHost"));
}

struct PictureDigits {
    qsizetype begin;
    qsizetype end;
};

// Where the picture's hexadecimal digits lie in the description.
PictureDigits PictureDigitsOf(const QString& description)
{
    const QString key = QStringLiteral("Picture.Data = {");
    const qsizetype begin = description.indexOf(key) + key.size();
    return {begin, description.indexOf(u'}', begin)};
}

TEST(AboutDescription, TheDescriptionItselfReadsWithItsWholePicture)
{
    const QString original = AboutDescription();
    const PictureDigits digits = PictureDigitsOf(original);
    ASSERT_GT(digits.end - digits.begin, 2 * 13000);
    TAboutDescriptionHost host(nullptr);
    TReader::ReadRootComponent(&host, original);
    auto* image = host.FindComponent<TImage>(QStringLiteral("Image1"));
    ASSERT_NE(image, nullptr);
    auto* picture = qobject_cast<TJPEGImage*>(image->Picture()->Graphic());
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Width(), 300);
    EXPECT_EQ(picture->Height(), 200);
}

class DamagedAboutDescriptions : public testing::TestWithParam<int> {};

TEST_P(DamagedAboutDescriptions, AreReadWholeOrRefusedClearly)
{
    const QString original = AboutDescription();
    const PictureDigits digits = PictureDigitsOf(original);
    Mutator mutator{std::uint32_t(GetParam())};
    int refused = 0;
    int pictures = 0;
    for (int round = 0; round < kMutationsPerShard; ++round) {
        const QString text = mutator.Mutate(original, digits.begin, digits.end);
        auto host = std::make_unique<TAboutDescriptionHost>(nullptr);
        try {
            TReader::ReadRootComponent(host.get(), text);
        } catch (const Exception& e) {
            ASSERT_FALSE(e.Message().isEmpty()) << round;
            ++refused;
            continue;
        }
        // Read: a picture it holds is a whole one.
        const auto* image = host->FindComponent<TImage>(QStringLiteral("Image1"));
        const TGraphic* graphic = image ? image->Picture()->Graphic() : nullptr;
        if (!graphic)
            continue;
        ASSERT_FALSE(graphic->Empty()) << round;
        ASSERT_LE(qint64(graphic->Width()) * graphic->Height(), kMaxJpegPixels) << round;
        if (image->AutoSize() && image->Align() == alNone) {
            ASSERT_EQ(image->Width(), graphic->Width()) << round;
        }
        ++pictures;
    }
    // Both ways out are taken many times.
    EXPECT_GT(refused, kMutationsPerShard / 5);
    EXPECT_GT(pictures, kMutationsPerShard / 20);
}

INSTANTIATE_TEST_SUITE_P(Shards, DamagedAboutDescriptions, testing::Range(1, kShards + 1));

}  // namespace

#include "AboutFormMutationTest.moc"
