// The report list view (held rows and owner data), the edit and the list box.
#include "toolkit/Application.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/FormReader.h"
#include "support/FormWriter.h"
#include "toolkit/StdCtrls.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QTreeView>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace {

class TListForm : public TForm {
    Q_OBJECT

public:
    using TForm::TForm;
};

const char* const kListForm = R"(object F: TListForm
  ClientHeight = 445
  ClientWidth = 764
  object ListView1: TListView
    Left = 0
    Top = 0
    Width = 764
    Height = 417
    Align = alTop
    Columns = <
      item
        Caption = 'Name'
        Width = 250
      end
      item
        Caption = 'Size'
        Width = 80
      end
      item
        Caption = 'Path'
        Width = 400
      end>
    ColumnClick = False
    ReadOnly = True
    RowSelect = True
    TabOrder = 1
    ViewStyle = vsReport
  end
end
)";

// A catalogue of a million rows that counts what it is asked.
class TMillion : public TListViewData {
public:
    int RowCount() const override { return 1000000; }
    QString CellText(int row, int column) const override
    {
        ++asked;
        return column == 0 ? QStringLiteral("r%1.rep").arg(row) : QString::number(row * 10 + column);
    }
    mutable std::atomic<long> asked{0};
};

TEST(ListView, ADescriptionSetsColumnsAndTheReportOptions)
{
    std::unique_ptr<TListForm> form(Create<TListForm>(nullptr));
    TReader::ReadRootComponent(form.get(), QString::fromUtf8(kListForm));
    auto* list = form->FindComponent<TListView>(QStringLiteral("ListView1"));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->Columns()->Count(), 3);
    EXPECT_EQ(list->Columns()->Items(2)->Caption(), QStringLiteral("Path"));
    QTreeView* view = list->View();
    EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Size"));
    EXPECT_EQ(view->header()->sectionSize(0), 250);
    EXPECT_EQ(view->header()->sectionSize(2), 400);
    EXPECT_FALSE(view->header()->sectionsClickable());
    EXPECT_EQ(view->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(view->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->BoundsRect(), Rect(0, 0, 764, 417));

    const QString written = TWriter::WriteComponent(list, form.get());
    EXPECT_TRUE(written.contains(QStringLiteral("  Columns = <\n    item\n      Caption = 'Name'\n      Width = 250\n    end\n")));
    EXPECT_TRUE(written.contains(QStringLiteral("ColumnClick = False\n")));
    EXPECT_TRUE(written.contains(QStringLiteral("ViewStyle = vsReport\n")));
    EXPECT_FALSE(written.contains(QStringLiteral("OwnerData")));
}

TEST(ListView, HeldRowsShowTheirCaptionAndSubItems)
{
    TListView list(nullptr);
    list.SetViewStyle(vsReport);
    list.Columns()->Add()->SetCaption(QStringLiteral("Name"));
    list.Columns()->Add()->SetCaption(QStringLiteral("Size"));
    TListItem* item = list.Items()->Add();
    item->SetCaption(QStringLiteral("a.rep"));
    item->AddSubItem(QStringLiteral("12"));
    list.Items()->Insert(0)->SetCaption(QStringLiteral("first"));
    QAbstractItemModel* model = list.View()->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("first"));
    EXPECT_EQ(model->index(1, 0).data().toString(), QStringLiteral("a.rep"));
    EXPECT_EQ(model->index(1, 1).data().toString(), QStringLiteral("12"));
    EXPECT_EQ(item->Index(), 1);
    item->SetCaption(QStringLiteral("b.rep"));
    EXPECT_EQ(model->index(1, 0).data().toString(), QStringLiteral("b.rep"));

    // Editable captions unless read-only; whole rows selectable only with RowSelect.
    EXPECT_TRUE(model->flags(model->index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_FALSE(model->flags(model->index(0, 1)).testFlag(Qt::ItemIsSelectable));
    list.SetReadOnly(true);
    list.SetRowSelect(true);
    EXPECT_FALSE(model->flags(model->index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_TRUE(model->flags(model->index(0, 1)).testFlag(Qt::ItemIsSelectable));

    list.Items()->BeginUpdate();
    for (int i = 0; i < 1000; ++i)
        list.Items()->Add()->SetCaption(QString::number(i));
    list.Items()->EndUpdate();
    EXPECT_EQ(model->rowCount(), 1002);
    list.Items()->Delete(0);
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("b.rep"));
    list.Items()->Clear();
    EXPECT_EQ(model->rowCount(), 0);
}

TEST(ListView, AMillionOwnerDataRowsAppearAtOnceAskingOnlyForWhatIsShown)
{
    std::unique_ptr<TListForm> form(Create<TListForm>(nullptr));
    TReader::ReadRootComponent(form.get(), QString::fromUtf8(kListForm));
    auto* list = form->FindComponent<TListView>(QStringLiteral("ListView1"));
    TMillion rows;
    list->SetOwnerData(true);
    list->SetDataProvider(&rows);
    EXPECT_EQ(list->RowCount(), 1000000);
    EXPECT_EQ(list->View()->model()->rowCount(), 1000000);

    const QImage picture = form->grab().toImage();
    EXPECT_FALSE(picture.isNull());
    EXPECT_GT(rows.asked.load(), 0);
    EXPECT_LT(rows.asked.load(), 10000);  // about a screenful, never the whole catalogue

    // Scrolled to the end, the last rows are there.
    list->View()->scrollToBottom();
    EXPECT_EQ(list->CellText(999999, 0), QStringLiteral("r999999.rep"));
    EXPECT_EQ(list->View()->model()->index(999999, 2).data().toString(), QStringLiteral("9999992"));
    list->SetItemIndex(999999);
    EXPECT_EQ(list->ItemIndex(), 999999);

    list->SetDataProvider(nullptr);
    EXPECT_EQ(list->RowCount(), 0);
}

TEST(Edit, TheTextAndOnChangeFollowEveryChange)
{
    TEdit edit(nullptr);
    int changes = 0;
    edit.OnChange = TNotifyEvent::FromFunction([&](TObject* sender) {
        EXPECT_EQ(sender, &edit);
        ++changes;
    });
    edit.SetText(QStringLiteral("d:\\temp"));
    EXPECT_EQ(edit.Editor()->text(), QStringLiteral("d:\\temp"));
    edit.Editor()->setText(QStringLiteral("/home/x"));
    EXPECT_EQ(edit.Text(), QStringLiteral("/home/x"));
    EXPECT_EQ(changes, 2);
    edit.SetText(QStringLiteral("/home/x"));
    EXPECT_EQ(changes, 2);
}

TEST(ListBox, LinesShowAtTheirItemHeightAndScroll)
{
    TForm form(nullptr);
    auto* box = new TListBox(&form);
    box->SetParent(&form);
    box->SetBounds(0, 0, 200, 100);
    box->SetItemHeight(13);
    box->Items()->BeginUpdate();
    for (int i = 0; i < 500; ++i)
        box->Items()->Add(QStringLiteral("/replays/%1.rep").arg(i));
    box->Items()->EndUpdate();
    box->Items()->Add(QStringLiteral("last"));
    EXPECT_EQ(box->Count(), 501);
    QAbstractItemModel* model = box->View()->model();
    EXPECT_EQ(model->rowCount(), 501);
    EXPECT_EQ(model->index(500, 0).data().toString(), QStringLiteral("last"));
    EXPECT_EQ(model->index(3, 0).data(Qt::SizeHintRole).toSize().height(), 13);

    form.Show();
    box->SetTopIndex(200);
    EXPECT_EQ(box->TopIndex(), 200);
    box->SetItemIndex(7);
    EXPECT_EQ(box->ItemIndex(), 7);
    box->Clear();
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_EQ(box->ItemIndex(), -1);
    form.Hide();
}

// A line longer than the box is not cut short: the box scrolls sideways to its very end, and the
// extent follows the longest line as lines come and go, in update blocks or one by one.
TEST(ListBox, ScrollsSidewaysToTheEndOfItsLongestLine)
{
    TForm form(nullptr);
    auto* box = new TListBox(&form);
    box->SetParent(&form);
    box->SetBounds(0, 0, 200, 100);
    const QString longest = QStringLiteral("/replays/") + QString(300, u'x') + QStringLiteral("/end.rep");
    box->Items()->BeginUpdate();
    for (int i = 0; i < 50; ++i)
        box->Items()->Add(QStringLiteral("/replays/%1.rep").arg(i));
    box->Items()->EndUpdate();
    form.Show();
    QCoreApplication::processEvents();
    QScrollBar* sideways = box->View()->horizontalScrollBar();
    EXPECT_EQ(sideways->maximum(), 0);

    box->Items()->BeginUpdate();
    box->Items()->Add(QStringLiteral("short"));
    box->Items()->Add(longest);
    box->Items()->EndUpdate();
    QCoreApplication::processEvents();
    const int textWidth = box->View()->fontMetrics().horizontalAdvance(longest);
    EXPECT_GE(box->ScrollWidth(), textWidth);
    ASSERT_GT(sideways->maximum(), 0);
    sideways->setValue(sideways->maximum());
    const QRect line = box->View()->visualRect(box->View()->model()->index(51, 0));
    EXPECT_GE(line.width(), textWidth);
    EXPECT_LE(line.right(), box->View()->viewport()->width()); // its end is in view
    EXPECT_EQ(box->View()->model()->index(3, 0).data(Qt::SizeHintRole).toSize().width(), box->ScrollWidth());

    box->Items()->Delete(51); // the longest goes: the extent shrinks with it
    QCoreApplication::processEvents();
    EXPECT_LT(box->ScrollWidth(), textWidth);
    EXPECT_EQ(sideways->maximum(), 0);
    box->Items()->Add(longest); // one by one, outside an update block
    EXPECT_GE(box->ScrollWidth(), textWidth);
    box->Clear();
    EXPECT_EQ(box->ScrollWidth(), 0);
    form.Hide();
}

}  // namespace

#include "ListViewTest.moc"
