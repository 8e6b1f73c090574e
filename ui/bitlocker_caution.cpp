#include "ui/bitlocker_caution.h"

#include "opsys/bitlocker.h"
#include "system/program_paths.h"

namespace qv {

std::wstring BitLockerCaution() {
    const std::wstring drive = SystemDrive();
    if (ReadBitLockerState(drive) != BitLockerState::Protected) return {};
    return BitLockerCautionText(drive, ReadRecoveryPasswordIds(drive));
}

std::wstring BitLockerCautionText(const std::wstring& drive, const std::vector<std::wstring>& ids) {
    std::wstring key;
    if (ids.empty()) {
        key = L"Quorvine could not read the ID of its recovery key; have the key at hand before you continue.";
    } else if (ids.size() == 1) {
        key = L"Have the key at hand before you continue: its ID is " + ids[0] + L".";
    } else {
        // Any one of them opens the drive.
        std::wstring listed;
        for (const std::wstring& id : ids) listed += (listed.empty() ? L"" : L", ") + id;
        key = L"Have one of its keys at hand before you continue: their IDs are " + listed + L".";
    }
    return L"BitLocker protects drive " + drive +
           L". This mode changes a boot setting that BitLocker checks, so Windows may ask for the BitLocker "
           L"recovery key at the next start and at the one after. " +
           key + L" Safe Mode with Networking needs no key.";
}

}  // namespace qv
