#pragma once

#include "Platform/Export.hpp"
#include "Platform/SDKs/Veltrane/VQSDKDevAction.hpp"
#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/TableView.hpp"
#include "Platform/UI/ViewController.hpp"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform::veltrane {

/// The SDK's developer-support dialog: under the shared manager's information
/// title, one section with its information pairs (label and value) and one
/// with its developer actions, asked for with the controller the dialog is
/// shown over. The lists are read once, when the dialog is made, so the
/// dialog shows the state at the time it opened.
///
/// A tap on an action closes the dialog and runs the action's handler once
/// the dialog has gone (only the first tap counts); "Close" in the bar only
/// closes it; the information rows take no taps. Main thread only.
class PLATFORM_EXPORT VQSDKDevSupportViewController : public ui::ViewController,
                                                      public ui::TableViewDataSource,
                                                      public ui::TableViewDelegate {
public:
    static constexpr const char* kListIdentifier = "VQSDKDevSupport.list";
    static constexpr const char* kCloseTitle = "Close";
    static constexpr const char* kInfoSectionTitle = "Info";
    static constexpr const char* kActionsSectionTitle = "Actions";
    static constexpr const char* kDevInfoDoneTitle = "OK";

    /// The dialog for the shared manager, with the lists asked for `presenter`.
    static std::shared_ptr<VQSDKDevSupportViewController> create(
        const std::shared_ptr<ui::ViewController>& presenter);

    /// Shows the dialog, in a navigation controller, over the controller on
    /// top of the key window (else the front-most shown window). When a
    /// dialog is on top already it stays and no second one opens. Returns
    /// the dialog on top, or null when no window shows a controller.
    static std::shared_ptr<VQSDKDevSupportViewController> showDevSupportDialog();

    /// Shows the information list (what "Show dev info" shows): an alert
    /// under `title` with one "label: value" line per pair of `infos` (label
    /// and value texts, alternating) and an "OK" button, over the controller
    /// on top of the front window, as the dialog itself is shown. Returns the
    /// alert, or null when no window shows a controller.
    static std::shared_ptr<ui::AlertController> showDevInfo(const std::string& title,
                                                            const std::vector<std::string>& infos);

    const std::string& infoTitle() const { return infoTitle_; }
    /// The information texts in pairs; a last label without a value gets "".
    const std::vector<std::pair<std::string, std::string>>& infos() const { return infos_; }
    const std::vector<std::shared_ptr<VQSDKDevAction>>& actions() const { return actions_; }
    std::shared_ptr<ui::TableView> tableView() const;

    std::string typeName() const override { return "VQSDKDevSupportViewController"; }
    void didFinishCreation() override;

    // Table ----------------------------------------------------------------------
    int numberOfSections(ui::TableView& tableView) override;
    int numberOfRows(ui::TableView& tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRow(ui::TableView& tableView, const ui::IndexPath& indexPath) override;
    std::optional<std::string> titleForHeader(ui::TableView& tableView, int section) override;
    std::optional<ui::IndexPath> willSelectRow(ui::TableView& tableView, const ui::IndexPath& indexPath) override;
    void didSelectRow(ui::TableView& tableView, const ui::IndexPath& indexPath) override;

protected:
    VQSDKDevSupportViewController(std::string infoTitle, std::vector<std::pair<std::string, std::string>> infos,
                                  std::vector<std::shared_ptr<VQSDKDevAction>> actions);
    void loadView() override;
    void viewDidLoad() override;

private:
    std::string infoTitle_;
    std::vector<std::pair<std::string, std::string>> infos_;
    std::vector<std::shared_ptr<VQSDKDevAction>> actions_;
    bool actionTapped_ = false;
};

} // namespace platform::veltrane
