// The registry as the settings store and the whole-key seam both open it:
// one view, one way to make a key for writing.
#pragma once

#include <string>

#include <windows.h>

#include "system/handles_win32.h"
#include "system/registry.h"

namespace qv::win32 {

// The view the settings store opens `keyPath` in, for this process on this Windows.
RegistryView ViewFor(RegistryOperation operation, const std::wstring& keyPath);

// Opens the key for writing in that view, making it and its parents where
// missing; `made`, when given, says whether Windows made it new.
LONG CreateForWrite(HKEY root, const std::wstring& keyPath, UniqueHkey& key, bool* made = nullptr);

}  // namespace qv::win32
