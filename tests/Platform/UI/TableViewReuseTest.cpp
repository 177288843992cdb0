#include "Platform/UI/TableView.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

using namespace platform::ui;

namespace {

class CountingCell : public TableViewCell {
public:
    int resets = 0;
    void prepareForReuse() override { ++resets; }

protected:
    CountingCell() : TableViewCell(CellStyle::defaultStyle, "Counting") {}
};

class Rows : public TableViewDataSource {
public:
    int count = 2;
    int numberOfRows(TableView&, int) override { return count; }
    std::shared_ptr<TableViewCell> cellForRow(TableView& table, const IndexPath& indexPath) override {
        return table.dequeueReusableCell("Counting", indexPath);
    }
};

TEST(TableViewReuseTest, CellsThatLeftTheScreenComeBackReset) {
    auto table = TableView::create(TableView::Style::plain, Rect{{0, 0}, {390, 844}});
    table->registerCell<CountingCell>("Counting");
    auto rows = std::make_shared<Rows>();
    table->setDataSource(rows);
    table->reloadData();
    auto first = table->visibleCells();
    ASSERT_EQ(first.size(), 2u);
    table->selectRow({0, 0}, false);

    rows->count = 3;
    table->reloadData();
    auto second = table->visibleCells();
    ASSERT_EQ(second.size(), 3u);
    int reused = 0;
    for (const auto& cell : second) {
        auto counting = std::dynamic_pointer_cast<CountingCell>(cell);
        if (std::find(first.begin(), first.end(), cell) == first.end()) {
            EXPECT_EQ(counting->resets, 0);
            continue;
        }
        ++reused;
        EXPECT_EQ(counting->resets, 1);
        EXPECT_FALSE(cell->isSelected());
    }
    EXPECT_EQ(reused, 2);
}

} // namespace
