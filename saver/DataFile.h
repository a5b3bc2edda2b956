#pragma once
// Finding the data file beside the program and unpacking it into the work folder.
#include <string>

namespace glint {

// The short (8.3) form of a path; empty when the system cannot give one.
std::string ShortPathOf(const std::string& path);
// The long form of a path; the path itself when the system cannot give one.
std::string LongPathOf(const std::string& path);
// The program's own full path.
std::string ProgramPath();
// Everything before the last backslash.
std::string FolderOf(const std::string& path);

// Builds "<short program folder>\<displayName>.dat" and checks that the file is
// there and carries our signature; shows the message and fails otherwise.
bool LocateDataFile(const std::string& displayName, std::string& dataPath);

// Checks the file completely, re-creates the work folder, writes the embedded
// files into it and fills the run's settings; shows the message and fails
// otherwise, leaving no half-filled work folder behind.
bool LoadDataFile(const std::string& dataPath);

// Deletes a folder and everything in it, silently; links inside are removed
// as links and never followed.
void DeleteFolderTree(const std::string& path);

} // namespace glint
