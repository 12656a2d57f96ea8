#pragma once
// Module `init`: the settings file and the file test the whole program uses.
#include <string>

// The folder that stands in for the system folder: the user's configuration
// folder, so the settings file is $HOME/.config/KORVEL.ini.
std::string GetSystemDir();

// Reads the two folders once, at start-up (see Main1Form::Form_Load).
void ReadSettings();

// True only for a path that is not empty, does not end in "\" and names a
// normal file (not hidden, not a folder); wildcards match any normal file.
bool FileExists(const std::string& Path);
