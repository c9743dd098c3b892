#pragma once

#include <QProcessEnvironment>
#include <QStringList>

namespace amplora::SceneGraphBackend {

// Whether the windows should be drawn by Qt Quick's software renderer rather than through OpenGL. Without a GPU,
// Mesa rasterises OpenGL on the CPU and every frame repaints the whole window, so a clock that ticks once a
// second costs a few percent of a core and the driver alone takes some 90 MB; the software renderer repaints
// only what changed. An explicit choice in the environment always wins. `gpuDevices` are the GPU device nodes
// this process can open.
bool preferSoftware(const QProcessEnvironment &environment, const QStringList &gpuDevices);

// The GPU device nodes this process can open: Mesa's render nodes and the proprietary NVIDIA driver's control
// device.
QStringList usableGpuDevices();

// Applies preferSoftware() to this process, once, before the first window exists.
void choose();

} // namespace amplora::SceneGraphBackend
