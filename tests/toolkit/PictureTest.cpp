// Graphics, pictures and the image control: the stored form of a picture (class name, then
// the graphic's own data), other graphic kinds a layer registers, the picture-as-bitmap
// accessor and the image that shows a picture.
#include "toolkit/Application.h"
#include "toolkit/Exceptions.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/FormReader.h"
#include "support/FormWriter.h"
#include "toolkit/Forms.h"
#include "support/ClassicColors.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// A graphic kind registered from outside the toolkit: a solid block whose stored data is
// a 32-bit little-endian byte count and then that many bytes (width, height, grey level),
// the same layout the program's JPEG pictures use.
class TBlockGraphic : public TGraphic {
    Q_OBJECT

public:
    using TGraphic::TGraphic;

    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    bool Empty() const override { return FWidth == 0 || FHeight == 0; }
    void Draw(TCanvas* canvas, const TRect& rect) const override
    {
        canvas->Handle()->FillRect(rect, gdi::SolidBrush(TColor(gdi::RGB(FGrey, FGrey, FGrey))));
    }
    QByteArray WriteData() const override
    {
        return QByteArray("\x03\0\0\0", 4) + char(FWidth) + char(FHeight) + char(FGrey);
    }
    void ReadData(const QByteArray& data) override
    {
        if (data.size() != 7 || data.left(4) != QByteArray("\x03\0\0\0", 4))
            throw EInvalidGraphic(QStringLiteral("Block data is not valid"));
        FWidth = quint8(data[4]);
        FHeight = quint8(data[5]);
        FGrey = quint8(data[6]);
        Changed();
    }
    void Assign(const TPersistent* source) override
    {
        const auto* block = qobject_cast<const TBlockGraphic*>(source);
        if (!block) {
            TGraphic::Assign(source);
            return;
        }
        FWidth = block->FWidth;
        FHeight = block->FHeight;
        FGrey = block->FGrey;
        Changed();
    }
    void Set(int width, int height, int grey)
    {
        FWidth = width;
        FHeight = height;
        FGrey = grey;
        Changed();
    }

private:
    int FWidth = 0;
    int FHeight = 0;
    int FGrey = 0;
};

QByteArray BlockData(int width, int height, int grey)
{
    return QByteArray("\x0D" "TBlockGraphic", 14) + QByteArray("\x03\0\0\0", 4) + char(width) + char(height) +
           char(grey);
}

class Pictures : public testing::Test {
protected:
    void SetUp() override { RegisterGraphicClass<TBlockGraphic>(); }
};

TEST_F(Pictures, ABitmapIsStoredAsItsClassNameItsByteCountAndItsFile)
{
    TPicture picture;
    EXPECT_TRUE(picture.Data().isEmpty());
    TBitmap* bitmap = picture.Bitmap();
    bitmap->SetSize(3, 2);
    bitmap->Handle().SetPixel(2, 1, clRed);

    const QByteArray data = picture.Data();
    ASSERT_GT(data.size(), 12);
    EXPECT_EQ(data.left(8), QByteArray("\x07TBitmap"));
    const QByteArray file = bitmap->Data();
    const quint32 count = quint8(data[8]) | quint8(data[9]) << 8 | quint8(data[10]) << 16 | quint32(quint8(data[11])) << 24;
    EXPECT_EQ(count, quint32(file.size()));
    EXPECT_EQ(data.mid(12), file);

    TPicture copy;
    copy.SetData(data);
    auto* read = qobject_cast<TBitmap*>(copy.Graphic());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Width(), 3);
    EXPECT_EQ(read->Height(), 2);
    EXPECT_EQ(read->Handle().Pixel(2, 1), gdi::RGB(255, 0, 0));
}

TEST_F(Pictures, ARegisteredGraphicKindIsReadAndWrittenByItsOwnData)
{
    TPicture picture;
    picture.SetData(BlockData(30, 20, 200));
    auto* block = qobject_cast<TBlockGraphic*>(picture.Graphic());
    ASSERT_TRUE(block);
    EXPECT_EQ(picture.Width(), 30);
    EXPECT_EQ(picture.Height(), 20);
    EXPECT_EQ(picture.Data(), BlockData(30, 20, 200));

    TPicture other;
    other.Assign(&picture);
    EXPECT_NE(other.Graphic(), picture.Graphic());  // a copy of its own
    EXPECT_EQ(other.Data(), picture.Data());
}

TEST_F(Pictures, BadDataIsRefusedAndLeavesThePictureAsItWas)
{
    TPicture picture;
    picture.SetData(BlockData(4, 4, 9));
    const TGraphic* before = picture.Graphic();
    QSignalSpy replaced(&picture, &TPicture::GraphicReplaced);

    EXPECT_THROW(picture.SetData(QByteArray("\x09TJPEGImg", 9) + QByteArray(4, '\0')), EInvalidGraphic);
    EXPECT_THROW(picture.SetData(QByteArray("\x20TBitm", 6)), EInvalidGraphic);  // the name is cut short
    EXPECT_THROW(picture.SetData(QByteArray("\x07TBitmap\x09\0\0\0BM", 14)), EInvalidGraphic);  // count too large
    EXPECT_THROW(picture.SetData(BlockData(4, 4, 9).chopped(1)), EInvalidGraphic);
    try {
        picture.SetData(QByteArray("\x05TFoo1", 6));
        ADD_FAILURE() << "a picture of an unknown format was taken";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unknown picture format TFoo1"));
    }
    EXPECT_EQ(picture.Graphic(), before);
    EXPECT_EQ(replaced.count(), 0);
}

TEST_F(Pictures, TheBitmapAccessorReplacesAnyOtherKindByAnEmptyBitmapAndSaysSo)
{
    TPicture picture;
    int changes = 0;
    picture.OnChange = TNotifyEvent::FromFunction([&](TObject*) { ++changes; });
    QSignalSpy replaced(&picture, &TPicture::GraphicReplaced);

    picture.SetData(BlockData(8, 8, 1));
    EXPECT_EQ(replaced.count(), 1);
    TBitmap* bitmap = picture.Bitmap();
    EXPECT_EQ(replaced.count(), 2);
    EXPECT_EQ(picture.Graphic(), bitmap);
    EXPECT_TRUE(bitmap->Empty());

    EXPECT_EQ(picture.Bitmap(), bitmap);  // a bitmap already: nothing replaced
    EXPECT_EQ(replaced.count(), 2);

    const int before = changes;
    bitmap->SetSize(2, 2);  // a change inside the graphic is a change of the picture, no replacement
    EXPECT_EQ(changes, before + 1);
    EXPECT_EQ(replaced.count(), 2);

    picture.Assign(nullptr);
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_EQ(replaced.count(), 3);
}

TEST_F(Pictures, AnImageFromAFormDescriptionSizesItselfToItsPictureAndDrawsIt)
{
    gdi::ScopedClassicColors classic;
    TForm form(nullptr);
    TReader::ReadRootComponent(&form, QStringLiteral("object Form1: TForm\n"
                                                     "  ClientWidth = 100\n"
                                                     "  ClientHeight = 60\n"
                                                     "  object Image1: TImage\n"
                                                     "    Left = 0\n"
                                                     "    Top = 0\n"
                                                     "    Width = 10\n"
                                                     "    Height = 10\n"
                                                     "    Align = alLeft\n"
                                                     "    AutoSize = True\n"
                                                     "    Picture.Data = {\n"
                                                     "      0D54426C6F636B47726170686963030000001E14C8}\n"
                                                     "  end\n"
                                                     "end\n"));
    auto* image = form.FindComponent<TImage>(QStringLiteral("Image1"));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Width(), 30);   // the picture's width
    EXPECT_EQ(image->Height(), 60);  // aligned to the left over the client height
    const QImage shown = image->grab().toImage();
    EXPECT_EQ(shown.pixel(5, 5), qRgb(200, 200, 200));
    const auto face = gdi::ColorRef(ColorToRGB(clBtnFace));
    EXPECT_EQ(shown.pixel(5, 30), qRgb(gdi::GetRValue(face), gdi::GetGValue(face), gdi::GetBValue(face)));

    const QString written = TWriter::WriteComponent(image, &form);
    EXPECT_TRUE(written.contains(QStringLiteral("Picture.Data = {\n    0D54426C6F636B47726170686963030000001E14C8}")))
        << written.toStdString();
}

TEST_F(Pictures, ReplacingTheGraphicOfAnImageRedrawsAndTellsTheWatchers)
{
    TForm form(nullptr);
    auto* image = new TImage(&form);
    image->SetParent(&form);
    image->SetAutoSize(true);
    QSignalSpy replaced(image->Picture(), &TPicture::GraphicReplaced);
    TBlockGraphic block;
    block.Set(12, 7, 50);
    image->Picture()->SetGraphic(&block);
    EXPECT_EQ(replaced.count(), 1);
    EXPECT_EQ(image->Width(), 12);
    EXPECT_EQ(image->Height(), 7);
    EXPECT_EQ(image->grab().toImage().pixel(3, 3), qRgb(50, 50, 50));

    static_cast<TBlockGraphic*>(image->Picture()->Graphic())->Set(5, 5, 90);
    EXPECT_EQ(image->Width(), 5);
    EXPECT_EQ(image->grab().toImage().pixel(3, 3), qRgb(90, 90, 90));
    EXPECT_EQ(replaced.count(), 1);
}

}  // namespace

#include "PictureTest.moc"
