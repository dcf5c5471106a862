// What the library does when the system loads and unloads it.
#pragma once

// Process attach. Never fails the load and lets nothing escape.
void OnProcessAttach();
// Process detach; processEnding when the whole process is ending rather than the library
// being freed.
void OnProcessDetach(bool processEnding);
