#pragma once
// A right click on a node of a tree view as a user makes it: the button goes down on the node
// (which selects it), the view is asked for its context menu there, the button comes up.
#include <QApplication>
#include <QContextMenuEvent>
#include <QTest>
#include <QTreeView>

#include "toolkit/TreeView.h"

inline void RightClick(TCustomTreeView* tree, TTreeNode* node)
{
    const TRect row = node->DisplayRect();
    QWidget* viewport = tree->View()->viewport();
    const QPoint at = viewport->mapFrom(tree, QPoint((row.left + row.right) / 2, (row.top + row.bottom) / 2));
    QTest::mousePress(viewport, Qt::RightButton, {}, at);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &request);
    QTest::mouseRelease(viewport, Qt::RightButton, {}, at);
}
