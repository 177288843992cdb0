#include "Platform/UI/TableView.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/Error.hpp"

#include <algorithm>
#include <string>

namespace platform::ui {

// Cell -----------------------------------------------------------------------------

std::shared_ptr<TableViewCell> TableViewCell::create(CellStyle style, std::string reuseIdentifier) {
    return makeView<TableViewCell>(style, std::move(reuseIdentifier));
}

TableViewCell::TableViewCell(CellStyle style, std::string reuseIdentifier)
    : View(Rect{{0, 0}, {kScreenSize.width, 44}}), style_(style), reuseIdentifier_(std::move(reuseIdentifier)) {}

std::shared_ptr<View> TableViewCell::contentView() {
    if (!contentView_) {
        contentView_ = View::create(bounds());
        insertSubview(contentView_, 0);
    }
    return contentView_;
}

std::shared_ptr<ImageView> TableViewCell::imageView() {
    if (!imageView_) {
        imageView_ = ImageView::create();
        contentView()->insertSubview(imageView_, 0);
    }
    return imageView_;
}

std::shared_ptr<Label> TableViewCell::textLabel() {
    if (!textLabel_) {
        textLabel_ = Label::create();
        auto content = contentView();
        // After the image, before the detail text.
        const auto& subs = content->subviews();
        std::size_t index = 0;
        if (imageView_) {
            auto it = std::find(subs.begin(), subs.end(), imageView_);
            if (it != subs.end()) index = static_cast<std::size_t>(it - subs.begin()) + 1;
        }
        content->insertSubview(textLabel_, index);
    }
    return textLabel_;
}

std::shared_ptr<Label> TableViewCell::detailTextLabel() {
    if (style_ == CellStyle::defaultStyle) return nullptr;
    if (!detailTextLabel_) {
        textLabel();
        detailTextLabel_ = Label::create();
        detailTextLabel_->textColor = Color::secondaryLabel();
        contentView()->addSubview(detailTextLabel_);
    }
    return detailTextLabel_;
}

void TableViewCell::setSelected(bool selected, bool /*animated*/) { selected_ = selected; }

void TableViewCell::setHighlighted(bool highlighted, bool /*animated*/) { highlighted_ = highlighted; }

std::shared_ptr<TableView> TableViewCell::tableView() const {
    for (auto v = superview(); v; v = v->superview()) {
        if (auto table = std::dynamic_pointer_cast<TableView>(v)) return table;
    }
    return nullptr;
}

bool TableViewCell::simulateTap() {
    if (!isInteractable()) return false;
    if (fireTapGestures()) return true;
    auto table = tableView();
    if (!table) return false;
    auto indexPath = table->indexPathForCell(*this);
    return indexPath && table->simulateSelectRow(*indexPath);
}

bool TableViewCell::acceptsTaps() const {
    if (View::acceptsTaps()) return true;
    auto table = tableView();
    return table && isInteractable() && table->allowsSelection;
}

void TableViewCell::describeState(std::vector<std::string>& parts) const {
    if (selected_) parts.emplace_back("selected");
    switch (accessoryType) {
    case AccessoryType::none: break;
    case AccessoryType::disclosureIndicator: parts.emplace_back("accessory=disclosureIndicator"); break;
    case AccessoryType::detailDisclosureButton: parts.emplace_back("accessory=detailDisclosureButton"); break;
    case AccessoryType::checkmark: parts.emplace_back("accessory=checkmark"); break;
    case AccessoryType::detailButton: parts.emplace_back("accessory=detailButton"); break;
    }
    View::describeState(parts);
}

// Header, footer, actions ----------------------------------------------------------

std::shared_ptr<TableViewHeaderFooterView> TableViewHeaderFooterView::create(std::string text, bool isFooter) {
    return makeView<TableViewHeaderFooterView>(std::move(text), isFooter);
}

std::shared_ptr<ContextualAction> ContextualAction::create(Style style, std::string title, Handler handler) {
    struct Made : ContextualAction {
        Made(Style s, std::string t, Handler h) : ContextualAction(s, std::move(t), std::move(h)) {}
    };
    return std::make_shared<Made>(style, std::move(title), std::move(handler));
}

// Table ------------------------------------------------------------------------------

std::shared_ptr<TableView> TableView::create(Style style, Rect frame) { return makeView<TableView>(style, frame); }

void TableView::setDataSource(const std::shared_ptr<TableViewDataSource>& dataSource) {
    dataSource_ = dataSource;
    loaded_ = false;
    setNeedsLayout();
}

void TableView::setDelegate(const std::shared_ptr<TableViewDelegate>& delegate) {
    tableDelegate_ = delegate;
    ScrollView::setDelegate(delegate);
}

void TableView::registerCell(const std::string& identifier, CellFactory factory) {
    if (factory) {
        factories_[identifier] = std::move(factory);
    } else {
        factories_.erase(identifier);
    }
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCell(const std::string& identifier) {
    auto it = factories_.find(identifier);
    if (it == factories_.end()) return nullptr;
    // A cell that left the screen comes back first, reset for its new row.
    auto& pool = reusePool_[identifier];
    if (!pool.empty()) {
        auto cell = std::move(pool.back());
        pool.pop_back();
        cell->selected_ = false;
        cell->highlighted_ = false;
        cell->prepareForReuse();
        return cell;
    }
    auto cell = it->second();
    if (cell) cell->reuseIdentifier_ = identifier;
    return cell;
}

std::shared_ptr<TableViewCell> TableView::dequeueReusableCell(const std::string& identifier, const IndexPath&) {
    auto cell = dequeueReusableCell(identifier);
    if (!cell) {
        fatalError("unable to dequeue a cell with identifier " + identifier +
                   " - must register a nib or a class for the identifier or connect a prototype cell in a storyboard");
    }
    return cell;
}

void TableView::reloadData() {
    auto self = std::static_pointer_cast<TableView>(shared_from_this());
    for (const auto& view : built_) {
        if (view->superview().get() == this) view->removeFromSuperview();
        // Cells leave the screen here; they wait to be dequeued again.
        if (auto cell = std::dynamic_pointer_cast<TableViewCell>(view);
            cell && !cell->reuseIdentifier_.empty() && factories_.contains(cell->reuseIdentifier_)) {
            reusePool_[cell->reuseIdentifier_].push_back(cell);
        }
    }
    built_.clear();
    cells_.clear();
    rowCounts_.clear();
    selected_.clear();
    loaded_ = true;

    const double width = frame.size.width;
    double y = 0;
    auto place = [&](const std::shared_ptr<View>& view, double height) {
        view->frame = Rect{{0, y}, {width, height}};
        y += height;
        addSubview(view);
        built_.push_back(view);
    };

    if (tableHeaderView_) place(tableHeaderView_, tableHeaderView_->frame.size.height);
    auto source = dataSource();
    auto delegate = tableDelegate();
    const int sections = source ? std::max(0, source->numberOfSections(*this)) : 0;
    for (int section = 0; section < sections; ++section) {
        const int rows = std::max(0, source->numberOfRows(*this, section));
        rowCounts_.push_back(rows);

        std::shared_ptr<View> header = delegate ? delegate->viewForHeader(*this, section) : nullptr;
        if (!header) {
            if (auto title = source->titleForHeader(*this, section)) {
                header = TableViewHeaderFooterView::create(*title);
            }
        }
        if (header) place(header, sectionHeaderHeight);

        for (int row = 0; row < rows; ++row) {
            const IndexPath indexPath{section, row};
            auto cell = source->cellForRow(*this, indexPath);
            if (!cell) {
                fatalError("table view data source returned no cell for row " + std::to_string(row) + " in section " +
                           std::to_string(section));
            }
            const auto height = delegate ? delegate->heightForRow(*this, indexPath) : std::nullopt;
            cells_[indexPath] = cell;
            if (delegate) delegate->willDisplayCell(*this, *cell, indexPath);
            place(cell, height.value_or(rowHeight));
        }

        std::shared_ptr<View> footer = delegate ? delegate->viewForFooter(*this, section) : nullptr;
        if (!footer) {
            if (auto title = source->titleForFooter(*this, section)) {
                footer = TableViewHeaderFooterView::create(*title, true);
            }
        }
        if (footer) place(footer, sectionFooterHeight);
    }
    if (tableFooterView_) place(tableFooterView_, tableFooterView_->frame.size.height);
    contentSize = Size{width, y};
}

int TableView::numberOfRows(int section) const {
    if (section < 0 || section >= numberOfSections()) return 0;
    return rowCounts_[static_cast<std::size_t>(section)];
}

bool TableView::rowExists(const IndexPath& indexPath) const {
    return indexPath.row >= 0 && indexPath.row < numberOfRows(indexPath.section);
}

std::shared_ptr<TableViewCell> TableView::cellForRow(const IndexPath& indexPath) const {
    auto it = cells_.find(indexPath);
    return it == cells_.end() ? nullptr : it->second;
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell& cell) const {
    for (const auto& [indexPath, shown] : cells_) {
        if (shown.get() == &cell) return indexPath;
    }
    return std::nullopt;
}

std::vector<std::shared_ptr<TableViewCell>> TableView::visibleCells() const {
    std::vector<std::shared_ptr<TableViewCell>> cells;
    for (const auto& [indexPath, cell] : cells_) cells.push_back(cell);
    return cells;
}

void TableView::insertRows(const std::vector<IndexPath>&, bool) { reloadData(); }
void TableView::deleteRows(const std::vector<IndexPath>&, bool) { reloadData(); }
void TableView::reloadRows(const std::vector<IndexPath>&, bool) { reloadData(); }
void TableView::reloadSections(const std::vector<int>&, bool) { reloadData(); }

void TableView::performBatchUpdates(const std::function<void()>& updates, std::function<void(bool)> completion) {
    if (updates) updates();
    reloadData();
    if (completion) MainQueue::async([completion = std::move(completion)] { completion(true); });
}

void TableView::scrollToRow(const IndexPath& indexPath, bool animated) {
    auto cell = cellForRow(indexPath);
    if (!cell) return;
    setContentOffset(Point{contentOffset().x, cell->frame.origin.y}, animated);
}

void TableView::setTableHeaderView(std::shared_ptr<View> view) {
    if (tableHeaderView_ && tableHeaderView_->superview().get() == this) tableHeaderView_->removeFromSuperview();
    std::erase(built_, tableHeaderView_);
    tableHeaderView_ = std::move(view);
    if (loaded_) reloadData();
}

void TableView::setTableFooterView(std::shared_ptr<View> view) {
    if (tableFooterView_ && tableFooterView_->superview().get() == this) tableFooterView_->removeFromSuperview();
    std::erase(built_, tableFooterView_);
    tableFooterView_ = std::move(view);
    if (loaded_) reloadData();
}

// Selection --------------------------------------------------------------------------

void TableView::setCellSelected(const IndexPath& indexPath, bool selected, bool animated) {
    if (auto cell = cellForRow(indexPath)) cell->setSelected(selected, animated);
}

void TableView::selectRow(const IndexPath& indexPath, bool animated) {
    if (!rowExists(indexPath)) return;
    if (!allowsMultipleSelection) {
        const auto previous = selected_;
        for (const auto& other : previous) {
            if (other != indexPath) deselectRow(other, animated);
        }
    }
    if (std::find(selected_.begin(), selected_.end(), indexPath) == selected_.end()) selected_.push_back(indexPath);
    setCellSelected(indexPath, true, animated);
}

void TableView::deselectRow(const IndexPath& indexPath, bool animated) {
    auto it = std::find(selected_.begin(), selected_.end(), indexPath);
    if (it == selected_.end()) return;
    selected_.erase(it);
    setCellSelected(indexPath, false, animated);
}

std::optional<IndexPath> TableView::indexPathForSelectedRow() const {
    if (selected_.empty()) return std::nullopt;
    return *std::min_element(selected_.begin(), selected_.end());
}

void TableView::setEditing(bool editing, bool /*animated*/) { editing_ = editing; }

bool TableView::simulateSelectRow(const IndexPath& indexPath) {
    if (!isInteractable() || !allowsSelection || (editing_ && !allowsSelectionDuringEditing)) return false;
    if (!rowExists(indexPath) || !cellForRow(indexPath)) return false;
    auto self = shared_from_this();
    auto delegate = tableDelegate();

    const bool alreadySelected = std::find(selected_.begin(), selected_.end(), indexPath) != selected_.end();
    if (allowsMultipleSelection && alreadySelected) {
        deselectRow(indexPath, false);
        if (delegate) delegate->didDeselectRow(*this, indexPath);
        return true;
    }

    std::optional<IndexPath> target = indexPath;
    if (delegate) target = delegate->willSelectRow(*this, indexPath);
    if (!target || !rowExists(*target)) return false;

    if (!allowsMultipleSelection) {
        const auto previous = selected_;
        for (const auto& other : previous) {
            if (other == *target) continue;
            deselectRow(other, false);
            if (delegate) delegate->didDeselectRow(*this, other);
        }
    }
    if (std::find(selected_.begin(), selected_.end(), *target) == selected_.end()) selected_.push_back(*target);
    setCellSelected(*target, true, false);
    if (delegate) delegate->didSelectRow(*this, *target);
    return true;
}

std::vector<std::shared_ptr<ContextualAction>> TableView::trailingSwipeActions(const IndexPath& indexPath) {
    if (!rowExists(indexPath)) return {};
    if (auto delegate = tableDelegate()) {
        if (auto configuration = delegate->trailingSwipeActions(*this, indexPath)) return configuration->actions;
    }
    auto source = dataSource();
    if (!source || !source->canEditRow(*this, indexPath)) return {};
    std::weak_ptr<TableView> weak = std::static_pointer_cast<TableView>(shared_from_this());
    auto standardDelete = ContextualAction::create(
        ContextualAction::Style::destructive, "Delete",
        [weak, indexPath](ContextualAction&, View&, const std::function<void(bool)>& completion) {
            auto table = weak.lock();
            auto source = table ? table->dataSource() : nullptr;
            if (source) source->commitDelete(*table, indexPath);
            completion(source != nullptr);
        });
    return {standardDelete};
}

bool TableView::runAction(ContextualAction& action, const IndexPath& indexPath) {
    auto cell = cellForRow(indexPath);
    if (!cell || !action.handler) return false;
    auto self = shared_from_this();
    auto keep = cell;
    action.handler(action, *cell, [](bool) {});
    return true;
}

bool TableView::simulateSwipeAction(const IndexPath& indexPath, const std::string& title) {
    if (!isInteractable()) return false;
    for (const auto& action : trailingSwipeActions(indexPath)) {
        if (action->title == title) return runAction(*action, indexPath);
    }
    return false;
}

bool TableView::simulateDeleteRow(const IndexPath& indexPath) {
    if (!isInteractable()) return false;
    for (const auto& action : trailingSwipeActions(indexPath)) {
        if (action->style == ContextualAction::Style::destructive) return runAction(*action, indexPath);
    }
    return false;
}

void TableView::describeState(std::vector<std::string>& parts) const {
    if (editing_) parts.emplace_back("editing");
    ScrollView::describeState(parts);
}

void TableView::layoutSubviews() {
    if (!loaded_ && dataSource()) reloadData();
}

void TableView::didMoveToWindow() {
    if (loaded_ || !window()) return;
    std::weak_ptr<TableView> weak = std::static_pointer_cast<TableView>(shared_from_this());
    MainQueue::async([weak] {
        auto table = weak.lock();
        if (table && !table->loaded_ && table->window() && table->dataSource()) table->reloadData();
    });
}

} // namespace platform::ui
