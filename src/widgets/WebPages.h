#pragma once

#include <QUrl>
#include <functional>

// An address on the maker's web server.
QUrl Maker_Url(const QString &path_and_more);

// Asks the desktop to open url in the default browser; the outcome is not checked.
void Open_Web_Page(const QUrl &url);

// Replaces what Open_Web_Page does (tests record the addresses); an empty function restores
// the desktop.
void Set_Web_Page_Opener(std::function<void(const QUrl &)> opener);

// Rich text: text as a link to the maker's download page.
QString Download_Page_Link(const QString &text);
