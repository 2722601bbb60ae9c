#pragma once

#include <QString>

// The maker's web server: the version service, the home page and the download page all live
// there.
inline const QString Maker_Server = QStringLiteral("http://www.velmor.example");

inline const QString Version_Service_Path = QStringLiteral("/home/download/GetversionSW.asp");
inline const QString Home_Page_Path = QStringLiteral("/HOME/default.asp?frompg=CF20914");
inline const QString Download_Page_Path = QStringLiteral("/Home/download/download.asp#GW20914");
