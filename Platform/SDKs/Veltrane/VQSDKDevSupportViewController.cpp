#include "Platform/SDKs/Veltrane/VQSDKDevSupportViewController.hpp"

#include "Platform/SDKs/Veltrane/VQSDKWindowContainer.hpp"
#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Window.hpp"

namespace platform::veltrane {

using namespace platform::ui;

namespace {

constexpr int kInfoSection = 0;
constexpr int kActionsSection = 1;
constexpr const char* kInfoCell = "VQSDKDevSupport.info";
constexpr const char* kActionCell = "VQSDKDevSupport.action";

std::vector<std::pair<std::string, std::string>> pairs(const std::vector<std::string>& texts) {
    std::vector<std::pair<std::string, std::string>> result;
    for (std::size_t i = 0; i < texts.size(); i += 2) {
        result.emplace_back(texts[i], i + 1 < texts.size() ? texts[i + 1] : std::string{});
    }
    return result;
}

// The window a user sees in front: the key window, else the front-most shown one.
std::shared_ptr<Window> frontWindow() {
    if (auto key = Window::keyWindow(); key && key->isShown()) return key;
    auto windows = Window::visibleWindows();
    return windows.empty() ? nullptr : windows.back();
}

// The controller on top of the front window, over which the SDK's screens show.
std::shared_ptr<ViewController> frontTopViewController() {
    auto window = frontWindow();
    return window ? VQSDKWindowContainer::topViewControllerWithRootViewController(window->rootViewController())
                  : nullptr;
}

} // namespace

std::shared_ptr<VQSDKDevSupportViewController> VQSDKDevSupportViewController::create(
    const std::shared_ptr<ViewController>& presenter) {
    auto manager = VeltraneSDKManager::sharedManager();
    return makeController<VQSDKDevSupportViewController>(manager->devInfoTitleString(),
                                                         pairs(manager->getDevSupportInfos()),
                                                         manager->getDevActions(presenter));
}

std::shared_ptr<VQSDKDevSupportViewController> VQSDKDevSupportViewController::showDevSupportDialog() {
    auto top = frontTopViewController();
    if (!top) return nullptr;
    if (auto shown = std::dynamic_pointer_cast<VQSDKDevSupportViewController>(top)) return shown;
    auto dialog = create(top);
    top->present(NavigationController::create(dialog), true);
    return dialog;
}

std::shared_ptr<AlertController> VQSDKDevSupportViewController::showDevInfo(const std::string& title,
                                                                          const std::vector<std::string>& infos) {
    auto top = frontTopViewController();
    if (!top) return nullptr;
    std::string message;
    for (const auto& [label, value] : pairs(infos)) {
        if (!message.empty()) message += '\n';
        message += label + ": " + value;
    }
    auto alert = AlertController::create(title, message, AlertController::Style::alert);
    alert->addAction(AlertAction::create(kDevInfoDoneTitle, AlertAction::Style::cancel));
    top->present(alert, true);
    return alert;
}

VQSDKDevSupportViewController::VQSDKDevSupportViewController(std::string infoTitle,
                                                             std::vector<std::pair<std::string, std::string>> infos,
                                                             std::vector<std::shared_ptr<VQSDKDevAction>> actions)
    : infoTitle_(std::move(infoTitle)), infos_(std::move(infos)), actions_(std::move(actions)) {
    title = infoTitle_;
}

std::shared_ptr<TableView> VQSDKDevSupportViewController::tableView() const {
    return std::dynamic_pointer_cast<TableView>(viewIfLoaded());
}

void VQSDKDevSupportViewController::loadView() {
    auto table = TableView::create(TableView::Style::grouped, Rect{{0, 0}, kScreenSize});
    table->accessibilityIdentifier = kListIdentifier;
    table->registerCell(kInfoCell, [] { return TableViewCell::create(TableViewCell::CellStyle::value1, kInfoCell); });
    table->registerCell(kActionCell, [] { return TableViewCell::create(TableViewCell::CellStyle::defaultStyle, kActionCell); });
    setView(table);
}

void VQSDKDevSupportViewController::viewDidLoad() {
    auto self = std::static_pointer_cast<VQSDKDevSupportViewController>(shared_from_this());
    if (auto table = tableView()) {
        table->setDataSource(self);
        table->setDelegate(self);
    }
}

void VQSDKDevSupportViewController::didFinishCreation() {
    // The bar reads the item when the dialog goes into its navigation controller, before the view loads.
    std::weak_ptr<ViewController> weak = weak_from_this();
    navigationItem().rightBarButtonItems = {
        BarButtonItem::withTitle(kCloseTitle, BarButtonItem::Style::done, [weak] {
            if (auto dialog = weak.lock()) dialog->dismiss(true);
        })};
}

int VQSDKDevSupportViewController::numberOfSections(TableView& /*tableView*/) { return 2; }

int VQSDKDevSupportViewController::numberOfRows(TableView& /*tableView*/, int section) {
    if (section == kInfoSection) return static_cast<int>(infos_.size());
    if (section == kActionsSection) return static_cast<int>(actions_.size());
    return 0;
}

std::shared_ptr<TableViewCell> VQSDKDevSupportViewController::cellForRow(TableView& tableView,
                                                                         const IndexPath& indexPath) {
    const auto row = static_cast<std::size_t>(indexPath.row);
    if (indexPath.section == kInfoSection) {
        auto cell = tableView.dequeueReusableCell(kInfoCell, indexPath);
        cell->selectionStyle = TableViewCell::SelectionStyle::none;
        cell->textLabel()->text = infos_.at(row).first;
        cell->detailTextLabel()->text = infos_.at(row).second;
        return cell;
    }
    auto cell = tableView.dequeueReusableCell(kActionCell, indexPath);
    const auto& action = actions_.at(row);
    cell->textLabel()->text = action ? action->name() : std::string{};
    cell->accessibilityIdentifier = cell->textLabel()->text;
    return cell;
}

std::optional<std::string> VQSDKDevSupportViewController::titleForHeader(TableView& /*tableView*/, int section) {
    if (section == kInfoSection) return kInfoSectionTitle;
    if (section == kActionsSection) return kActionsSectionTitle;
    return std::nullopt;
}

std::optional<IndexPath> VQSDKDevSupportViewController::willSelectRow(TableView& /*tableView*/,
                                                                      const IndexPath& indexPath) {
    if (indexPath.section != kActionsSection || actionTapped_) return std::nullopt;
    return indexPath;
}

void VQSDKDevSupportViewController::didSelectRow(TableView& /*tableView*/, const IndexPath& indexPath) {
    const auto row = static_cast<std::size_t>(indexPath.row);
    if (indexPath.section != kActionsSection || row >= actions_.size() || actionTapped_) return;
    actionTapped_ = true;
    // The handler may present over the screen the dialog covered, or end the
    // process: it runs once the dialog has gone.
    dismiss(true, [action = actions_[row]] {
        if (action) action->perform();
    });
}

} // namespace platform::veltrane
