#pragma once

#include <QString>

class TCommandLine;

// The date format shown and parsed throughout the program.
inline constexpr char VelmDateFormat[] = "dd.MM.yyyy";

// Process-wide set-up, run once before anything reads the registry or creates a window:
// the product key of "-reg", the help file, the user-interface language, the log thresholds
// ("Debug": everything is written and errors warn at exit) and the date format.
void VelmInit(const TCommandLine &commandLine);

// The help file: velmor.qhc beside the executable (kept for the help viewer).
QString HelpFileName();
// The directory of the running executable.
QString ExecutableDir();
