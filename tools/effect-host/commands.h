// The reference host's commands; each takes the words after its name and returns the exit code.
#pragma once

#include "tools/shared/options.h"
#include "tools/effect-host/starting_settings.h"

int RunProcess(int argc, char** argv);
int RunMakeHum(int argc, char** argv);
int RunLevel(int argc, char** argv);
int RunGraph(int argc, char** argv);
int RunInfo(int argc, char** argv);
int RunPreset(int argc, char** argv);
int RunSettings(int argc, char** argv);
