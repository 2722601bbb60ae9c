#include "WebPages.h"

#include "platform/MakerServer.h"

#include <QDesktopServices>

namespace {

std::function<void(const QUrl &)> &Opener() {
    static std::function<void(const QUrl &)> opener;
    return opener;
}

} // namespace

QUrl Maker_Url(const QString &path_and_more) {
    return QUrl(Maker_Server + path_and_more);
}

void Open_Web_Page(const QUrl &url) {
    if (Opener())
        Opener()(url);
    else
        QDesktopServices::openUrl(url);
}

void Set_Web_Page_Opener(std::function<void(const QUrl &)> opener) {
    Opener() = std::move(opener);
}

QString Download_Page_Link(const QString &text) {
    return QStringLiteral("<a href=\"%1\">%2</a>")
        .arg(Maker_Url(Download_Page_Path).toString(), text.toHtmlEscaped());
}
