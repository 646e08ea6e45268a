#pragma once

#include <QString>

namespace transcast
{

struct JobRow;

// A row's status as the "Status" column and the CLI show it: "Status" or
// "Ready" (a file or DVD row as listed), the percentage while it converts
// ("42.17%"), "Finish", "Failed", "Stop"; while a preview shows over it, its
// "Play" or "Pause" instead. Rules never read these texts; they read
// JobRow::status.
QString jobStatusText(const JobRow& row);

} // namespace transcast
