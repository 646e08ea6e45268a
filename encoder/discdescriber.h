#pragma once

#include <string>
#include <vector>

#include "dvd/titlesetinfo.h"

// register.dat reads the title sets of a disc for the program, so that
// libdvdread's IFO parser, which trusts the tables of the file it reads,
// never runs in the program's own process: a damaged IFO file that makes it
// write through a null pointer costs this process only.
namespace transcast
{

// register.dat --describe-disc ROOT [FIRST [IFO]]: writes to fd (see
// dvd/titlesetstream.h) title sets FIRST (default 1), FIRST + 1, ... of the
// disc at ROOT (an image, or the folder holding the IFO files), each as soon
// as it is read, up to the first that cannot be read or, in a folder, the
// first whose IFO file is not there. IFO names the first one's IFO file, whose
// letter case the others' names follow (default ROOT/VTS_nn_0.IFO). Returns
// the exit status: 0 when the end was written, 1 when fd would take no more,
// 2 for arguments it does not understand.
int describeDisc(const std::vector<std::string>& arguments, int fd);

// register.dat --describe-backup FOLDER NUMBER [DISC]: writes title set
// NUMBER read from its backup copy, in a folder that holds that copy alone
// (libdvdread reads the backup only when the IFO file is not there); the
// disc's title table and title VOBs are read from DISC (default: FOLDER).
// The record carries no stamp. Exit status as above.
int describeBackup(const std::vector<std::string>& arguments, int fd);

// Reads one title set in this process, as --describe-disc does; false when
// it is no title set. Only for a file that was already read safely (the
// fuzzing compares the two readings).
bool describeTitleSetHere(const std::string& ifoPath, dvd::TitleSet* info);

} // namespace transcast
