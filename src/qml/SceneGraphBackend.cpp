#include "qml/SceneGraphBackend.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QQuickWindow>

#include <unistd.h>

namespace amplora::SceneGraphBackend {

namespace {

Q_LOGGING_CATEGORY(lcRendering, "amplora.window")

bool isOn(const QProcessEnvironment &environment, const QString &name)
{
    const QString value = environment.value(name).trimmed();
    return !value.isEmpty() && value != u'0' && value.compare(QStringLiteral("false"), Qt::CaseInsensitive) != 0;
}

} // namespace

bool preferSoftware(const QProcessEnvironment &environment, const QStringList &gpuDevices)
{
    if (!environment.value(QStringLiteral("QT_QUICK_BACKEND")).isEmpty()
        || !environment.value(QStringLiteral("QSG_RHI_BACKEND")).isEmpty()) {
        return false;
    }
    static const QStringList cpuDrivers
        = { QStringLiteral("llvmpipe"), QStringLiteral("softpipe"), QStringLiteral("swrast") };
    if (isOn(environment, QStringLiteral("LIBGL_ALWAYS_SOFTWARE"))
        || cpuDrivers.contains(environment.value(QStringLiteral("GALLIUM_DRIVER")).trimmed())) {
        return true;
    }
    return gpuDevices.isEmpty();
}

QStringList usableGpuDevices()
{
    QStringList candidates;
    const QDir dri(QStringLiteral("/dev/dri"));
    for (const QString &node : dri.entryList({ QStringLiteral("renderD*") }, QDir::System, QDir::Name)) {
        candidates << dri.filePath(node);
    }
    candidates << QStringLiteral("/dev/nvidiactl");
    QStringList usable;
    for (const QString &device : candidates) {
        if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0) {
            usable << device;
        }
    }
    return usable;
}

void choose()
{
    static const bool software = [] {
        if (!preferSoftware(QProcessEnvironment::systemEnvironment(), usableGpuDevices())) {
            return false;
        }
        qCInfo(lcRendering) << "No GPU: drawing the windows with the software renderer";
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        return true;
    }();
    Q_UNUSED(software);
}

} // namespace amplora::SceneGraphBackend
