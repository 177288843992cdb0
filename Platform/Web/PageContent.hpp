#pragma once

// What the web view reads from a page's type and text. Private to the web
// view's sources.

#include "Platform/Foundation/Url.hpp"

#include <string>
#include <string_view>

namespace platform::web {

/// "about:blank", the URL of an empty page.
Url blankURL();
/// Whether a content type is a page (HTML or XHTML).
bool isHTML(std::string_view mimeType);
/// Content types the view shows itself (a page, text, an image, a document).
bool canShow(std::string_view mimeType);
/// The content type of a file by its extension, in any case;
/// "application/octet-stream" for one it does not know.
std::string mimeTypeForExtension(std::string_view extension);
/// The text of the first <title> element, white space collapsed, as a browser
/// shows it. Pages run no scripts here, so the title the server sent is the
/// page's title.
std::string extractTitle(std::string_view document);

} // namespace platform::web
