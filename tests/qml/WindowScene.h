#pragma once

#include "core/mock/MockReceiver.h"

#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStringList>

namespace amplora::test {

// Every item on the window's scene, its popups included: the items a Repeater or a Loader makes are no QObject
// children of the window, so the walk follows the visual tree.
inline QList<QQuickItem *> sceneItems(QQuickWindow *window)
{
    QList<QQuickItem *> found;
    QList<QQuickItem *> pending { window->contentItem() };
    while (!pending.isEmpty()) {
        QQuickItem *item = pending.takeLast();
        found.append(item);
        pending.append(item->childItems());
    }
    return found;
}

// The string values of the preview receiver's answers, the names it gives the window: those of the fields named
// in `keys`, or all of them when `keys` is empty.
inline QStringList previewReceiverStrings(const QStringList &keys = {})
{
    QStringList strings;
    QList<QJsonValue> pending;
    QDirIterator files(MockReceiver::previewFixtureDirectory(), { QStringLiteral("*.json") }, QDir::Files);
    while (files.hasNext()) {
        QFile file(files.next());
        if (file.open(QIODevice::ReadOnly)) {
            pending.append(QJsonDocument::fromJson(file.readAll()).object());
        }
    }
    while (!pending.isEmpty()) {
        const QJsonValue value = pending.takeLast();
        if (value.isArray()) {
            const QJsonArray array = value.toArray();
            pending.append(QList<QJsonValue>(array.begin(), array.end()));
        }
        const QJsonObject object = value.toObject();
        for (auto field = object.begin(); field != object.end(); ++field) {
            if (field->isString() && (keys.isEmpty() || keys.contains(field.key()))) {
                strings.append(field->toString());
            }
            pending.append(field.value());
        }
    }
    return strings;
}

} // namespace amplora::test
