#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/Image.hpp"
#include "Platform/UI/ImageView.hpp"
#include "Platform/UI/Label.hpp"
#include "Platform/UI/ScrollView.hpp"

#include <compare>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

class TableView;

/// A row of a table: its section and its row within the section.
struct IndexPath {
    int section = 0;
    int row = 0;
    auto operator<=>(const IndexPath&) const = default;
};

/// One row of a table. The labels and the image view are made on first access,
/// inside the content view.
class PLATFORM_EXPORT TableViewCell : public View {
public:
    enum class CellStyle { defaultStyle, value1, value2, subtitle };
    enum class AccessoryType { none, disclosureIndicator, detailDisclosureButton, checkmark, detailButton };
    enum class SelectionStyle { none, blue, gray, defaultStyle };

    static std::shared_ptr<TableViewCell> create(CellStyle style = CellStyle::defaultStyle,
                                                 std::string reuseIdentifier = {});

    CellStyle cellStyle() const { return style_; }
    const std::string& reuseIdentifier() const { return reuseIdentifier_; }

    /// Where a cell's content goes (the first subview).
    std::shared_ptr<View> contentView();
    std::shared_ptr<Label> textLabel();
    /// Null for the default style, which has no detail text.
    std::shared_ptr<Label> detailTextLabel();
    std::shared_ptr<ImageView> imageView();

    AccessoryType accessoryType = AccessoryType::none;
    std::shared_ptr<View> accessoryView;
    SelectionStyle selectionStyle = SelectionStyle::defaultStyle;

    bool isSelected() const { return selected_; }
    /// Called by the table as the row is selected or deselected; subclasses
    /// that show their selection override it and call this one first.
    virtual void setSelected(bool selected, bool animated);
    bool isHighlighted() const { return highlighted_; }
    virtual void setHighlighted(bool highlighted, bool animated);
    /// Called by the table when a cell that left the screen (at a reload) is
    /// dequeued again for another row.
    virtual void prepareForReuse() {}

    /// The table the cell is a row of.
    std::shared_ptr<TableView> tableView() const;

    /// A tap selects the row (after any tap gestures of the cell itself).
    bool simulateTap() override;
    bool acceptsTaps() const override;

    std::string typeName() const override { return "TableViewCell"; }
    /// "selected", "accessory=<type>" when there is one, then the view's parts.
    void describeState(std::vector<std::string>& parts) const override;

protected:
    explicit TableViewCell(CellStyle style = CellStyle::defaultStyle, std::string reuseIdentifier = {});

private:
    friend class TableView;
    CellStyle style_;
    std::string reuseIdentifier_;
    std::shared_ptr<View> contentView_;
    std::shared_ptr<Label> textLabel_;
    std::shared_ptr<Label> detailTextLabel_;
    std::shared_ptr<ImageView> imageView_;
    bool selected_ = false;
    bool highlighted_ = false;
};

/// A section's header or footer title.
class PLATFORM_EXPORT TableViewHeaderFooterView : public View {
public:
    static std::shared_ptr<TableViewHeaderFooterView> create(std::string text, bool isFooter = false);
    std::string text;
    bool isFooter() const { return footer_; }
    std::string typeName() const override { return footer_ ? "TableViewFooter" : "TableViewHeader"; }
    std::string displayedText() const override { return text; }

protected:
    TableViewHeaderFooterView(std::string text, bool isFooter) : View({}), text(std::move(text)), footer_(isFooter) {}

private:
    bool footer_;
};

/// An action of a row's swipe menu.
class PLATFORM_EXPORT ContextualAction {
public:
    enum class Style { normal, destructive };
    /// Runs when the user picks the action; it must call the completion once,
    /// with whether the action was performed.
    using Handler = std::function<void(ContextualAction& action, View& sourceView, std::function<void(bool)> completion)>;

    static std::shared_ptr<ContextualAction> create(Style style, std::string title, Handler handler);

    Style style;
    std::string title;
    std::shared_ptr<Image> image;
    std::optional<Color> backgroundColor;
    Handler handler;

protected:
    ContextualAction(Style style, std::string title, Handler handler)
        : style(style), title(std::move(title)), handler(std::move(handler)) {}
};

/// The actions a row's swipe reveals.
struct PLATFORM_EXPORT SwipeActionsConfiguration {
    std::vector<std::shared_ptr<ContextualAction>> actions;
    bool performsFirstActionWithFullSwipe = true;
};

/// Supplies a table's rows. Not retained by the table.
class PLATFORM_EXPORT TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfSections(TableView& /*tableView*/) { return 1; }
    virtual int numberOfRows(TableView& tableView, int section) = 0;
    virtual std::shared_ptr<TableViewCell> cellForRow(TableView& tableView, const IndexPath& indexPath) = 0;
    virtual std::optional<std::string> titleForHeader(TableView& /*tableView*/, int /*section*/) { return std::nullopt; }
    virtual std::optional<std::string> titleForFooter(TableView& /*tableView*/, int /*section*/) { return std::nullopt; }
    /// Whether the row offers the standard delete action (when the delegate
    /// gives no swipe actions of its own).
    virtual bool canEditRow(TableView& /*tableView*/, const IndexPath& /*indexPath*/) { return false; }
    /// The user deleted the row with the standard delete action.
    virtual void commitDelete(TableView& /*tableView*/, const IndexPath& /*indexPath*/) {}
};

/// Told of a table's selection and asked for its swipe actions and section
/// views. Not retained by the table. Every method has a default.
class PLATFORM_EXPORT TableViewDelegate : public ScrollViewDelegate {
public:
    /// The row about to be selected by a user; none refuses the selection.
    virtual std::optional<IndexPath> willSelectRow(TableView& /*tableView*/, const IndexPath& indexPath) {
        return indexPath;
    }
    virtual void didSelectRow(TableView& /*tableView*/, const IndexPath& /*indexPath*/) {}
    virtual void didDeselectRow(TableView& /*tableView*/, const IndexPath& /*indexPath*/) {}
    virtual void willDisplayCell(TableView& /*tableView*/, TableViewCell& /*cell*/, const IndexPath& /*indexPath*/) {}
    /// The actions a swipe from the trailing edge reveals; null: the standard
    /// delete action when the data source allows editing the row.
    virtual std::shared_ptr<SwipeActionsConfiguration> trailingSwipeActions(TableView& /*tableView*/,
                                                                            const IndexPath& /*indexPath*/) {
        return nullptr;
    }
    virtual std::shared_ptr<SwipeActionsConfiguration> leadingSwipeActions(TableView& /*tableView*/,
                                                                           const IndexPath& /*indexPath*/) {
        return nullptr;
    }
    /// A custom section header (null: the data source's title, if any).
    virtual std::shared_ptr<View> viewForHeader(TableView& /*tableView*/, int /*section*/) { return nullptr; }
    virtual std::shared_ptr<View> viewForFooter(TableView& /*tableView*/, int /*section*/) { return nullptr; }
    /// A row's height (none: the table's rowHeight).
    virtual std::optional<double> heightForRow(TableView& /*tableView*/, const IndexPath& /*indexPath*/) {
        return std::nullopt;
    }
};

/// A list of rows in sections. reloadData asks the data source for every row
/// and shows them all as subviews, in order: the table header view, then per
/// section its header, its cells and its footer, then the table footer view.
/// The table loads itself, when reloadData was not called, on its first
/// layout or on the main queue's next turn after it enters a window (the
/// platform's next layout pass).
class PLATFORM_EXPORT TableView : public ScrollView {
public:
    enum class Style { plain, grouped, insetGrouped };
    enum class SeparatorStyle { none, singleLine };
    using CellFactory = std::function<std::shared_ptr<TableViewCell>()>;

    static std::shared_ptr<TableView> create(Style style = Style::plain, Rect frame = {});

    Style style() const { return style_; }

    void setDataSource(const std::shared_ptr<TableViewDataSource>& dataSource);
    std::shared_ptr<TableViewDataSource> dataSource() const { return dataSource_.lock(); }
    /// The table delegate is also the scroll view's delegate.
    void setDelegate(const std::shared_ptr<TableViewDelegate>& delegate);
    std::shared_ptr<TableViewDelegate> tableDelegate() const { return tableDelegate_.lock(); }

    // Cells ------------------------------------------------------------------------
    /// Registers how cells of a reuse identifier are made (a class or a storyboard prototype).
    void registerCell(const std::string& identifier, CellFactory factory);
    template <class Cell>
    void registerCell(const std::string& identifier) {
        registerCell(identifier, [] { return makeView<Cell>(); });
    }
    /// A cell of a registered identifier: one that left the screen at the last
    /// reload (after its prepareForReuse()), else a new one; null when none is registered.
    std::shared_ptr<TableViewCell> dequeueReusableCell(const std::string& identifier);
    /// The same, for a row; an identifier that is not registered is a fatal error.
    std::shared_ptr<TableViewCell> dequeueReusableCell(const std::string& identifier, const IndexPath& indexPath);

    // Data -------------------------------------------------------------------------
    /// Asks the data source again for every section and row; clears the selection.
    void reloadData();
    bool hasLoadedData() const { return loaded_; }
    int numberOfSections() const { return static_cast<int>(rowCounts_.size()); }
    int numberOfRows(int section) const;
    /// The cell shown for a row; null for rows that are not shown.
    std::shared_ptr<TableViewCell> cellForRow(const IndexPath& indexPath) const;
    std::optional<IndexPath> indexPathForCell(const TableViewCell& cell) const;
    /// The cells in row order.
    std::vector<std::shared_ptr<TableViewCell>> visibleCells() const;
    /// The changes below reload the whole table.
    void insertRows(const std::vector<IndexPath>& indexPaths, bool animated = false);
    void deleteRows(const std::vector<IndexPath>& indexPaths, bool animated = false);
    void reloadRows(const std::vector<IndexPath>& indexPaths, bool animated = false);
    void reloadSections(const std::vector<int>& sections, bool animated = false);
    /// Runs the updates, reloads, then calls the completion on the next turn of the main queue.
    void performBatchUpdates(const std::function<void()>& updates, std::function<void(bool)> completion = {});
    void beginUpdates() {}
    void endUpdates() { reloadData(); }
    void scrollToRow(const IndexPath& indexPath, bool animated);

    std::shared_ptr<View> tableHeaderView() const { return tableHeaderView_; }
    void setTableHeaderView(std::shared_ptr<View> view);
    std::shared_ptr<View> tableFooterView() const { return tableFooterView_; }
    void setTableFooterView(std::shared_ptr<View> view);

    double rowHeight = 44;
    double estimatedRowHeight = 44;
    double sectionHeaderHeight = 28;
    double sectionFooterHeight = 28;
    SeparatorStyle separatorStyle = SeparatorStyle::singleLine;
    EdgeInsets separatorInset{0, 15, 0, 0};
    bool cellLayoutMarginsFollowReadableWidth = false;

    // Selection --------------------------------------------------------------------
    bool allowsSelection = true;
    bool allowsMultipleSelection = false;
    bool allowsSelectionDuringEditing = false;
    /// Selects a row from code (the delegate hears nothing). Without multiple
    /// selection the other rows are deselected.
    void selectRow(const IndexPath& indexPath, bool animated);
    void deselectRow(const IndexPath& indexPath, bool animated);
    std::optional<IndexPath> indexPathForSelectedRow() const;
    /// The selected rows, in the order they were selected.
    std::vector<IndexPath> indexPathsForSelectedRows() const { return selected_; }

    bool isEditing() const { return editing_; }
    void setEditing(bool editing, bool animated = false);

    // A user's hands -----------------------------------------------------------------
    /// A tap on a row: willSelectRow, then (multiple selection, a selected row)
    /// deselection and didDeselectRow, or the selection, didDeselectRow for the
    /// row that lost it and didSelectRow. False when the table takes no
    /// selection or the row is not shown.
    bool simulateSelectRow(const IndexPath& indexPath);
    /// The actions a trailing swipe on the row reveals (the standard "Delete"
    /// when the delegate has none and the data source allows editing).
    std::vector<std::shared_ptr<ContextualAction>> trailingSwipeActions(const IndexPath& indexPath);
    /// A swipe on the row and a tap on the action with that title. False when there is none.
    bool simulateSwipeAction(const IndexPath& indexPath, const std::string& title);
    /// A swipe on the row and a tap on its destructive action (the standard
    /// delete action calls the data source's commitDelete). False when there is none.
    bool simulateDeleteRow(const IndexPath& indexPath);

    std::string typeName() const override { return "TableView"; }
    /// "editing" while editing, then the scroll view's parts.
    void describeState(std::vector<std::string>& parts) const override;
    void layoutSubviews() override;

protected:
    TableView(Style style, Rect frame) : ScrollView(frame), style_(style) {}
    void didMoveToWindow() override;

private:
    bool rowExists(const IndexPath& indexPath) const;
    void setCellSelected(const IndexPath& indexPath, bool selected, bool animated);
    bool runAction(ContextualAction& action, const IndexPath& indexPath);

    Style style_;
    std::weak_ptr<TableViewDataSource> dataSource_;
    std::weak_ptr<TableViewDelegate> tableDelegate_;
    std::map<std::string, CellFactory> factories_;
    std::map<std::string, std::vector<std::shared_ptr<TableViewCell>>> reusePool_;
    std::vector<int> rowCounts_;
    std::map<IndexPath, std::shared_ptr<TableViewCell>> cells_;
    /// Everything reloadData added, to take away at the next reload.
    std::vector<std::shared_ptr<View>> built_;
    std::vector<IndexPath> selected_;
    std::shared_ptr<View> tableHeaderView_;
    std::shared_ptr<View> tableFooterView_;
    bool loaded_ = false;
    bool editing_ = false;
};

} // namespace platform::ui
