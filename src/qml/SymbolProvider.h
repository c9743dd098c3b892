#pragma once

#include <QQuickImageProvider>

namespace amplora {

// Serves "image://symbol/<icon-name>/<rrggbb or aarrggbb>": a symbolic icon of the freedesktop theme, filled with one
// colour (symbolic icons are drawn as masks, so the window can tint them like engraved or lit labels).
class SymbolProvider : public QQuickImageProvider {
public:
    SymbolProvider();
    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;
};

} // namespace amplora
