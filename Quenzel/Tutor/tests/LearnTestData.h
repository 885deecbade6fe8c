#pragma once
// What the tests of the learning view and the quiz share besides the lists
// (TutorListData.h) and the recording progress (RecordingProgress.h): a
// click on a cell of a word list box.

#include <QTest>

#include "Quenzel/Tutor/Model/tests/RecordingProgress.h"
#include "Quenzel/Tutor/Model/tests/TutorListData.h"

namespace learntest {

// A left click on a cell of a word list box (column 0 the word, 1 the
// meaning), as the user gives it.
template <class ListBox> void ClickCell(ListBox& list, int row, int column) {
    list.scrollTo(list.model()->index(row, 0));
    const QRect rect = list.visualRect(list.model()->index(row, 0));
    const QPoint point(column == 0 ? rect.left() + rect.width() / 4 : rect.left() + rect.width() * 3 / 4,
                       rect.center().y());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, point);
}

}  // namespace learntest
