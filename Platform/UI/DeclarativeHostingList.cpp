#include "Platform/UI/DeclarativeHostingImpl.hpp"

// A list node becomes a table view whose rows are the views rendered for its
// children; ListSource hands them to the table and carries out selection,
// deletion and swipe actions.

namespace platform::ui {

namespace hosting {

int ListSource::numberOfSections(TableView&) {
    return static_cast<int>(sections.size());
}

int ListSource::numberOfRows(TableView&, int section) {
    return validSection(section) ? static_cast<int>(sections[static_cast<std::size_t>(section)].rows.size()) : 0;
}

std::shared_ptr<TableViewCell> ListSource::cellForRow(TableView&, const IndexPath& indexPath) {
    auto* row = rowAt(indexPath);
    return row ? row->cell : TableViewCell::create();
}

std::optional<std::string> ListSource::titleForHeader(TableView&, int section) {
    return validSection(section) ? sections[static_cast<std::size_t>(section)].headerTitle : std::nullopt;
}

std::optional<std::string> ListSource::titleForFooter(TableView&, int section) {
    return validSection(section) ? sections[static_cast<std::size_t>(section)].footerTitle : std::nullopt;
}

bool ListSource::canEditRow(TableView&, const IndexPath& indexPath) {
    auto* row = rowAt(indexPath);
    return row && row->onDelete;
}

void ListSource::commitDelete(TableView&, const IndexPath& indexPath) {
    auto* row = rowAt(indexPath);
    if (!row || !row->onDelete) return;
    auto onDelete = row->onDelete;
    onDelete(IndexSet{row->offset});
}

std::optional<IndexPath> ListSource::willSelectRow(TableView&, const IndexPath& indexPath) {
    auto* row = rowAt(indexPath);
    if (!row || !row->select) return std::nullopt;
    return indexPath;
}

void ListSource::didSelectRow(TableView& table, const IndexPath& indexPath) {
    auto* row = rowAt(indexPath);
    auto select = row ? row->select : nullptr;
    table.deselectRow(indexPath, true);
    if (select) select();
}

std::shared_ptr<SwipeActionsConfiguration> ListSource::trailingSwipeActions(TableView&, const IndexPath& indexPath) {
    auto* row = rowAt(indexPath);
    if (!row || row->swipe.empty()) return nullptr;
    auto configuration = std::make_shared<SwipeActionsConfiguration>();
    for (const auto& button : row->swipe) {
        if (button.isDisabled) continue;
        auto action = button.action;
        configuration->actions.push_back(ContextualAction::create(
            button.buttonRole == ButtonRole::destructive ? ContextualAction::Style::destructive
                                                         : ContextualAction::Style::normal,
            button.displayedText(), [action](ContextualAction&, View&, const std::function<void(bool)>& done) {
                if (action) action();
                done(true);
            }));
    }
    return configuration;
}

std::shared_ptr<View> ListSource::viewForHeader(TableView&, int section) {
    return validSection(section) ? sections[static_cast<std::size_t>(section)].headerView : nullptr;
}

std::shared_ptr<View> ListSource::viewForFooter(TableView&, int section) {
    return validSection(section) ? sections[static_cast<std::size_t>(section)].footerView : nullptr;
}

bool ListSource::validSection(int section) const {
    return section >= 0 && section < static_cast<int>(sections.size());
}

ListSource::Row* ListSource::rowAt(const IndexPath& indexPath) {
    if (!validSection(indexPath.section)) return nullptr;
    auto& rows = sections[static_cast<std::size_t>(indexPath.section)].rows;
    if (indexPath.row < 0 || indexPath.row >= static_cast<int>(rows.size())) return nullptr;
    return &rows[static_cast<std::size_t>(indexPath.row)];
}

} // namespace hosting

using namespace hosting;

std::shared_ptr<View> HostingController::Impl::buildList(const Node& node, const std::string& key,
                                                         const Context& context, Pass& pass) {
    TableView::Style style = TableView::Style::plain;
    if (node.style == ListStyle::grouped) style = TableView::Style::grouped;
    if (node.style == ListStyle::insetGrouped) style = TableView::Style::insetGrouped;
    auto table = TableView::create(style, Rect{{0, 0}, kScreenSize});
    auto source = std::make_shared<ListSource>();

    std::vector<Item> items;
    flatten(node.children, key, items);
    bool implicitOpen = false;
    for (const auto& item : items) {
        const Node& child = *item.node;
        if (child.kind == Node::Kind::section) {
            visit(child, item.key, pass);
            ListSource::Section section;
            if (!child.header.empty()) {
                const auto& header = child.header.front();
                if (header.kind == Node::Kind::text && header.presentations.empty() && !header.appearAction) {
                    section.headerTitle = header.textContent;
                } else {
                    section.headerView = build(header, item.key + "/header", context, pass);
                }
            }
            if (!child.footer.empty()) {
                const auto& footer = child.footer.front();
                if (footer.kind == Node::Kind::text && footer.presentations.empty() && !footer.appearAction) {
                    section.footerTitle = footer.textContent;
                } else {
                    section.footerView = build(footer, item.key + "/footer", context, pass);
                }
            }
            std::vector<Item> rows;
            flatten(child.children, item.key, rows);
            for (const auto& row : rows) section.rows.push_back(buildRow(row, context, pass));
            source->sections.push_back(std::move(section));
            implicitOpen = false;
        } else {
            if (!implicitOpen) source->sections.emplace_back();
            implicitOpen = true;
            source->sections.back().rows.push_back(buildRow(item, context, pass));
        }
    }
    table->setDataSource(source);
    table->setDelegate(source);
    table->reloadData();
    pass.keepAlive.push_back(source);
    return table;
}

ListSource::Row HostingController::Impl::buildRow(const Item& item, const Context& context, Pass& pass) {
    const Node& node = *item.node;
    ListSource::Row row;
    row.cell = TableViewCell::create();
    auto content = build(node, item.key, context, pass);
    content->frame = row.cell->bounds();
    row.cell->contentView()->addSubview(content);
    const bool enabled = !context.disabled && !node.isDisabled;
    if (node.kind == Node::Kind::navigationLink) {
        row.cell->accessoryType = TableViewCell::AccessoryType::disclosureIndicator;
        if (enabled) row.select = linkAction(node, item.key);
    } else if (node.kind == Node::Kind::button && enabled && node.action) {
        row.select = node.action;
    }
    if (item.forEach && item.forEach->deleteAction) {
        row.onDelete = item.forEach->deleteAction;
        row.offset = item.offset;
    }
    row.swipe = node.swipeButtons;
    return row;
}

} // namespace platform::ui
