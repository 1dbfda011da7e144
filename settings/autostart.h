// Start with Windows: the "Memvale" value of the current user's Run key.
#pragma once

const wchar_t *const RunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t *const RunValueName = L"Memvale";

bool IsAutostartRegistered();
void SetAutostart(bool enable);
