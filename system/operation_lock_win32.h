// The named mutex that keeps two runs apart, in every session.
#pragma once

namespace qv::win32 {

// Global: a run by a management agent in session 0 and one in the user's
// session must wait for each other too.
inline constexpr wchar_t kOperationLockName[] = L"Global\\Tamberlow.Quorvine";
// Administrators and the system, whichever session created it; nobody else
// may open it, so a standard user's program cannot hold it to block a run.
inline constexpr wchar_t kOperationLockSddl[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

}  // namespace qv::win32
