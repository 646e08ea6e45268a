#pragma once

#include <QString>

namespace transcast
{

// Why new files cannot be made in the folder, in the system's words ("Not a
// directory", "Permission denied", "Read-only file system"); empty when they
// can. Nothing is created or changed.
QString folderWriteProblem(const QString& folder);

// The system's words for an errno value.
QString systemErrorText(int error);

} // namespace transcast
