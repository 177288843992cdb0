#include "VellicorApp/Interface/MenuActions/MenuActionTableViewCell.hpp"

#include "VellicorApp/Interface/MenuActions/CommunitiesDevAction.hpp"

#include "Platform/SDKs/Veltrane/ColorAdditions.hpp"

namespace vellicor {

using namespace platform::ui;

namespace {

constexpr const char* kBoldFontName = "VeltraneSans-Bold";
constexpr const char* kRegularFontName = "VeltraneSans-regular";
constexpr double kCounterFontSize = 14;
constexpr double kLabelFontSize = 16;
/// The title colour of a bold app action.
constexpr const char* kBoldTextColor = "#d71212";
const Color kLightGray = Color::rgba(2.0 / 3, 2.0 / 3, 2.0 / 3);
const Font kPrototypeLabelFont = Font::systemFont(16);

} // namespace

MenuActionTableViewCell::MenuActionTableViewCell() : TableViewCell(CellStyle::defaultStyle, kReuseIdentifier) {}

std::shared_ptr<MenuActionTableViewCell> MenuActionTableViewCell::makePrototype() {
    auto cell = makeView<MenuActionTableViewCell>();
    auto content = cell->contentView();
    auto background = View::create(Rect{{16, 8}, {32, 32}});
    background->layer().cornerRadius = 8;
    background->backgroundColor = kLightGray;
    auto icon = ImageView::create(nullptr, Rect{{4, 4}, {24, 24}});
    background->addSubview(icon);
    auto label = Label::create();
    label->font = kPrototypeLabelFont;
    label->accessibilityIdentifier = "MenuAction.title";
    auto counterView = View::create(Rect{{0, 0}, {28, 20}});
    counterView->layer().cornerRadius = 10;
    counterView->backgroundColor = Color::systemRed();
    counterView->isHidden = true;
    auto counter = Label::create();
    counter->textColor = Color::white();
    counter->textAlignment = TextAlignment::center;
    counterView->addSubview(counter);
    content->addSubview(background);
    content->addSubview(label);
    content->addSubview(counterView);
    cell->iconBackground_ = background;
    cell->icon_ = icon;
    cell->label_ = label;
    cell->counterView_ = counterView;
    cell->counter_ = counter;
    return cell;
}

void MenuActionTableViewCell::prepareForReuse() {
    TableViewCell::prepareForReuse();
    if (auto background = iconBackground()) background->backgroundColor = kLightGray;
    if (auto image = icon()) image->image = nullptr;
    if (auto view = counterView()) view->isHidden = true;
    if (auto text = counter()) text->text.clear();
    if (auto title = label()) {
        title->font = kPrototypeLabelFont;
        title->textColor = Color::label();
    }
}

void MenuActionTableViewCell::configure(const platform::veltrane::VQSDKDevAction& action) {
    if (const auto* appAction = dynamic_cast<const CommunitiesDevAction*>(&action)) {
        if (auto background = iconBackground()) background->backgroundColor = appAction->iconBackgroundColor;
        if (auto image = icon()) image->image = appAction->icon;
        // Shown again for a count of 0 or more: a reused cell may come hidden.
        if (auto view = counterView()) view->isHidden = appAction->counter < 0;
        if (auto text = counter()) {
            if (auto font = Font::named(kBoldFontName, kCounterFontSize)) text->font = *font;
            text->text = std::to_string(appAction->counter);
        }
        if (auto title = label()) {
            if (auto font = Font::named(appAction->isTextBold ? kBoldFontName : kRegularFontName, kLabelFontSize)) {
                title->font = *font;
            }
            title->textColor = appAction->isTextBold
                                   ? platform::veltrane::colorFromHexValue(kBoldTextColor).value_or(Color::systemRed())
                                   : Color::label();
        }
    } else if (auto background = iconBackground()) {
        background->backgroundColor = kLightGray;
    }
    if (auto title = label()) {
        title->text = action.name();
        title->numberOfLines = 0;
        title->lineBreakMode = LineBreakMode::byWordWrapping;
    }
}

} // namespace vellicor
