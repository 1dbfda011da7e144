// Start with Windows: the "Memvale" value of the current user's Run key.
#pragma once

const char *const RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char *const RunValueName = "Memvale";

bool IsAutostartRegistered();
void SetAutostart(bool enable);
