#pragma once

#include <QQmlAbstractUrlInterceptor>

class QQmlEngine;
class QUrl;

namespace amplora {

// Keeps a QML engine off the network. What a window shows comes from the application's own resources ("qrc:"),
// its image providers ("image:", the album art among them) and, for QML code alone, module files on disk (Qt's
// own modules, a test's files). Names from the receiver, the radio or a scene file are shown as plain text; should
// one still reach a source or a rich text, the URL it names is refused and logged instead of fetched, whatever its
// scheme: http, ftp, data or a local file as a picture.
namespace NetworkGuard {

// Gives the engine a URL interceptor that refuses such URLs, and a network access manager that refuses every
// request (Qt asks it for the pictures of a rich text, which pass no interceptor). Before anything loads.
void install(QQmlEngine &engine);

// Whether the engine may load the URL, as code or module (QmlFile, JavaScriptFile, QmldirFile) or as a source.
bool allows(const QUrl &url, QQmlAbstractUrlInterceptor::DataType type);

} // namespace NetworkGuard

} // namespace amplora
