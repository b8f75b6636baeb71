#include "click/PointRecorder.h"

#include <gtest/gtest.h>

#include "FakeToolkit.h"

namespace quorvel {
namespace {

using testing::FakeToolkit;
using Calls = std::vector<std::string>;

class PointRecorderTest : public ::testing::Test {
protected:
    FakeToolkit toolkit;
    PointRecords records;
    PointRecorder recorder{toolkit, records};

    void pointerAt(std::int32_t x, std::int32_t y) { toolkit.cursor = PointRecord{x, y}; }
};

TEST_F(PointRecorderTest, RightClickAppendsARowInTheExactOrder) {
    pointerAt(640, 480);
    recorder.recordRightClick();
    EXPECT_EQ(toolkit.calls, (Calls{
                                 "readCursorPosition",
                                 "insertRow(pointList,-1,1)",
                                 "setCellText(pointList,0,0,右键单击)",
                                 "setCellText(pointList,0,1,640)",
                                 "setCellText(pointList,0,2,480)",
                             }));
    EXPECT_EQ(recorder.rowCounter(), 1);
}

TEST_F(PointRecorderTest, RowsFollowEachOtherWithTheirButtonsAndPositions) {
    struct Recording {
        bool right;
        std::int32_t x, y;
        const char* buttonText;
        std::int32_t value;
    };
    const Recording recordings[] = {
        {true, 640, 480, "右键单击", 1},
        {false, 10, 20, "左键单击", 0},
        {false, 10, 20, "左键单击", 0},  // no de-duplication
        {true, -1280, -3, "右键单击", 1},
        {false, 2147483647, -2147483647 - 1, "左键单击", 0},
    };
    for (const Recording& r : recordings) {
        pointerAt(r.x, r.y);
        r.right ? recorder.recordRightClick() : recorder.recordLeftClick();
    }
    ASSERT_EQ(toolkit.rows.size(), std::size(recordings));
    for (std::size_t i = 0; i < std::size(recordings); ++i) {
        const auto& row = toolkit.rows[i];
        EXPECT_EQ(row.cells[0], recordings[i].buttonText) << i;
        EXPECT_EQ(row.cells[1], std::to_string(recordings[i].x)) << i;
        EXPECT_EQ(row.cells[2], std::to_string(recordings[i].y)) << i;
        EXPECT_EQ(row.value, recordings[i].value) << i;
    }
    EXPECT_EQ(recorder.rowCounter(), 5);
}

TEST_F(PointRecorderTest, UnreadablePositionRecordsZeros) {
    pointerAt(300, 400);
    recorder.recordLeftClick();
    toolkit.cursor.reset();
    recorder.recordLeftClick();
    ASSERT_EQ(toolkit.rows.size(), 2u);
    EXPECT_EQ(toolkit.rows[1].cells[1], "0");
    EXPECT_EQ(toolkit.rows[1].cells[2], "0");
    EXPECT_EQ(*records.lastCapturedPoint, (PointRecord{0, 0}));
}

TEST_F(PointRecorderTest, EachCaptureReplacesTheLastCapturedPoint) {
    pointerAt(5, 6);
    recorder.recordLeftClick();
    const PointRecord* first = records.lastCapturedPoint.get();
    EXPECT_EQ(*first, (PointRecord{5, 6}));
    EXPECT_EQ(*records.cursorBuffer, (PointRecord{5, 6}));

    pointerAt(7, 8);
    recorder.recordRightClick();
    EXPECT_EQ(*records.lastCapturedPoint, (PointRecord{7, 8}));
    // The capture hands out a record of its own: the buffer is reused for the next reading.
    EXPECT_NE(records.lastCapturedPoint.get(), records.cursorBuffer.get());
}

TEST_F(PointRecorderTest, RowCounterStartsAgainAtZero) {
    recorder.recordLeftClick();
    recorder.recordLeftClick();
    recorder.resetRowCounter();
    EXPECT_EQ(recorder.rowCounter(), 0);
}

TEST_F(PointRecorderTest, AfterAFailedInsertTheCounterRunsAheadOfTheRows) {
    pointerAt(1, 2);
    recorder.recordLeftClick();
    toolkit.insertFails = true;
    recorder.recordLeftClick();
    toolkit.insertFails = false;
    pointerAt(3, 4);
    recorder.recordRightClick();

    // The texts of the third recording went to row 2, which does not exist: row 1 stays empty.
    ASSERT_EQ(toolkit.rows.size(), 2u);
    EXPECT_EQ(toolkit.rows[0].cells[1], "1");
    EXPECT_EQ(toolkit.rows[1].cells[0], "");
    EXPECT_EQ(toolkit.rows[1].value, 1);
    EXPECT_EQ(recorder.rowCounter(), 3);
}

}  // namespace
}  // namespace quorvel
