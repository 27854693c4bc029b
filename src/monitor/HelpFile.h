#pragma once

#include <QString>

// The contents page of the program's help, in share/zelmorin/help beside the folder the program
// runs from (installed, or in the build folder). Empty when it is not there.
QString FindHelpContents();
// Opens it with the desktop's browser; false when there is no help to open.
bool OpenHelpContents();
