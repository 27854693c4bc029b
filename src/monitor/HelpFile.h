#pragma once

#include <QString>

// The contents page of the program's help: beside an installed program in
// share/zelmorin/help, else in the source tree it was built from. Empty when neither exists.
QString FindHelpContents();
// Opens it with the desktop's browser; false when there is no help to open.
bool OpenHelpContents();
