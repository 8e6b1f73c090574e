"""The registry of a prefix, through reg.exe and .reg documents.

Reads go through `reg export` and writes through `reg import`: both carry any
text exactly (UTF-16), where reg.exe's console output would not. Every call
names its view (/reg:64 unless asked otherwise), so a 64-bit or 32-bit
reg.exe reaches the same keys.
"""

import itertools
import os
import re

REG_TYPES = {"REG_NONE": 0, "REG_SZ": 1, "REG_EXPAND_SZ": 2, "REG_BINARY": 3, "REG_DWORD": 4,
             "REG_MULTI_SZ": 7, "REG_QWORD": 11}
_TYPE_NAMES = {number: name for name, number in REG_TYPES.items()}
_HEADER = "Windows Registry Editor Version 5.00"
_counter = itertools.count(1)


def _view(view):
    if view not in (32, 64):
        raise ValueError("view is 32 or 64")
    return f"/reg:{view}"


def _decode(type_number, data):
    if type_number in (1, 2):
        return data.decode("utf-16-le").split("\0", 1)[0]
    if type_number == 7:
        return [item for item in data.decode("utf-16-le").split("\0") if item]
    if type_number in (4, 11) and len(data) in (4, 8):
        return int.from_bytes(data, "little")
    return data


def _unescape(text):
    out, i = [], 0
    escapes = {"\\": "\\", '"': '"', "r": "\r", "n": "\n", "0": "\0"}
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append(escapes.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def _split_value(line):
    """'"name"=data' or '@=data' -> (name, data)."""
    if line.startswith("@="):
        return "", line[2:]
    i = 1
    while i < len(line) and line[i] != '"':
        i += 2 if line[i] == "\\" else 1
    return _unescape(line[1:i]), line[i + 2:]


def parse_reg(text):
    """A .reg document -> {key: {value name: (type name, data)}}; "" names the default value."""
    keys, current, pending = {}, None, ""
    for raw in text.replace("\r\n", "\n").split("\n"):
        line = pending + raw.strip() if pending else raw.rstrip()
        pending = ""
        if line.endswith("\\") and not line.startswith("["):
            pending = line[:-1]
            continue
        if line.startswith("[") and line.endswith("]"):
            current = keys.setdefault(line[1:-1], {})
        elif current is not None and (line.startswith('"') or line.startswith("@=")):
            name, data = _split_value(line)
            if data.startswith('"'):
                current[name] = ("REG_SZ", _unescape(data[1:-1]))
            elif data.startswith("dword:"):
                current[name] = ("REG_DWORD", int(data[6:], 16))
            else:
                match = re.match(r"hex(?:\(([0-9a-fA-F]+)\))?:(.*)", data)
                if match:
                    number = int(match.group(1), 16) if match.group(1) else 3
                    raw_bytes = bytes(int(b, 16) for b in match.group(2).split(",") if b.strip())
                    current[name] = (_TYPE_NAMES.get(number, f"REG_{number}"), _decode(number, raw_bytes))
    return keys


def _encode(type_name, data):
    number = REG_TYPES[type_name]
    if type_name in ("REG_SZ", "REG_EXPAND_SZ"):
        raw = (data + "\0").encode("utf-16-le")
    elif type_name == "REG_MULTI_SZ":
        raw = "".join(item + "\0" for item in data).encode("utf-16-le") + b"\0\0"
    elif type_name == "REG_DWORD":
        raw = int(data).to_bytes(4, "little")
    elif type_name == "REG_QWORD":
        raw = int(data).to_bytes(8, "little")
    else:
        raw = bytes(data)
    return f"hex({number:x}):" + ",".join(f"{b:02x}" for b in raw)


def _guess_type(data):
    if isinstance(data, str):
        return "REG_SZ"
    if isinstance(data, bool) or not isinstance(data, (int, list, bytes)):
        raise TypeError(f"give the type for {data!r}")
    return {int: "REG_DWORD", list: "REG_MULTI_SZ", bytes: "REG_BINARY"}[type(data)]


def _full_key(key):
    for short, long in (("HKLM", "HKEY_LOCAL_MACHINE"), ("HKCU", "HKEY_CURRENT_USER"),
                        ("HKCR", "HKEY_CLASSES_ROOT"), ("HKU", "HKEY_USERS")):
        if key.upper().startswith(short + "\\"):
            return long + key[len(short):]
    return key


def reg_export(prefix, key, view=64):
    """The parsed export of a key and its subkeys, or None when the key is missing."""
    text = reg_export_text(prefix, key, view)
    return None if text is None else parse_reg(text)


_MISSING = "unable to find the specified registry key"


def note_retry(line):
    """QV_RIG_RETRY_LOG collects every try that failed, to see how often a soak run needed one."""
    if os.environ.get("QV_RIG_RETRY_LOG"):
        with open(os.environ["QV_RIG_RETRY_LOG"], "a") as log:
            log.write(" | ".join(line.splitlines()) + "\n")
_REG_TRIES = 3


def reg_export_text(prefix, key, view=64):
    """The export document, or None only when reg.exe says the key is missing.

    Under load Wine now and then fails to start reg.exe or loses what it
    wrote; that is tried again and, if it lasts, is the rig's failure, never
    read as "no such key".
    """
    failures = []
    for _ in range(_REG_TRIES):
        target = prefix.scratch / f"export-{next(_counter)}.reg"
        done = prefix.run(["reg", "export", key, f"Z:{target}".replace("/", "\\"), "/y", _view(view)])
        if done.timed_out:
            raise RuntimeError(f"reg export {key} timed out")
        raw = target.read_bytes() if target.exists() else b""
        if target.exists():
            target.unlink()
        text = raw.decode("utf-16", errors="replace")
        # A whole document: the header, and the key's own section.
        if done.returncode == 0 and text.startswith(_HEADER) and f"[{_full_key(key).lower()}]" in text.lower():
            return text
        if done.returncode == 1 and not raw and _MISSING in (done.output + done.errors).lower():
            return None
        failures.append(f"{len(raw)} bytes written; {done.evidence()}")
        note_retry(f"reg export {key}: {failures[-1]}")
    raise RuntimeError(f"rig: reg export {key} failed {_REG_TRIES} times: " + "; ".join(failures))


def _lookup(keys, key):
    wanted = _full_key(key).lower()
    return next((values for name, values in keys.items() if name.lower() == wanted), None)


def reg_values(prefix, key, view=64):
    """{value name: data} of one key, or None when the key is missing."""
    keys = reg_export(prefix, key, view)
    values = None if keys is None else _lookup(keys, key)
    return None if values is None else {name: data for name, (_, data) in values.items()}


def reg_get(prefix, key, value, view=64, typed=False):
    """One value's data (str, int, list or bytes), or None; with typed, (type name, data)."""
    keys = reg_export(prefix, key, view)
    values = None if keys is None else _lookup(keys, key)
    found = None if values is None else next(
        (item for name, item in values.items() if name.lower() == (value or "").lower()), None)
    if found is None:
        return None
    return found if typed else found[1]


def reg_subkeys(prefix, key, view=64):
    """Names of the direct subkeys of a key ([] when it is missing)."""
    keys = reg_export(prefix, key, view) or {}
    parent = _full_key(key).lower() + "\\"
    return sorted(name[len(parent):] for name in keys
                  if name.lower().startswith(parent) and "\\" not in name[len(parent):])


def reg_document(values):
    """A .reg document setting {(key, value name): data or (type name, data)}."""
    lines, current = [_HEADER, ""], None
    for (key, value), data in values.items():
        type_name, data = data if isinstance(data, tuple) else (_guess_type(data), data)
        if key != current:
            lines += ["", f"[{_full_key(key)}]"] if current else [f"[{_full_key(key)}]"]
            current = key
        name = "@" if not value else '"' + value.replace("\\", "\\\\").replace('"', '\\"') + '"'
        lines.append(f"{name}={_encode(type_name, data)}")
    return "\r\n".join(lines) + "\r\n\r\n"


def reg_import(prefix, values, view=64):
    """Sets many values with one reg.exe run; see reg_document."""
    target = prefix.scratch / f"import-{next(_counter)}.reg"
    target.write_bytes(b"\xff\xfe" + reg_document(values).encode("utf-16-le"))
    failures = []
    # Setting the same values again is harmless: a reg.exe that Wine failed
    # to start under load is tried again before the rig gives up.
    for _ in range(_REG_TRIES):
        done = prefix.run(["reg", "import", f"Z:{target}".replace("/", "\\"), _view(view)])
        if done.timed_out:
            break
        if done.returncode == 0:
            target.unlink()
            return
        failures.append(done.evidence())
        note_retry(f"reg import: {failures[-1]}")
    target.unlink()
    raise RuntimeError(f"rig: reg import failed: {'; '.join(failures) or 'timed out'}")


def reg_set(prefix, key, value, data, type=None, view=64):
    """Sets a value (value None or "" is the key's default value); the key is created as needed."""
    reg_import(prefix, {(key, value): (type or _guess_type(data), data)}, view)


def reg_delete(prefix, key, value=None, view=64):
    """Deletes a value, or the whole key when value is None; True when something was deleted.

    False only when reg.exe says there was nothing to delete: any other
    failure (a reg.exe Wine did not start, its words lost) is tried again and,
    if it lasts, is the rig's."""
    args = ["reg", "delete", key] + (["/v", value] if value is not None else []) + ["/f", _view(view)]
    failures = []
    for _ in range(_REG_TRIES):
        done = prefix.run(args)
        if done.timed_out:
            raise RuntimeError(f"rig: {done.evidence()}")
        if done.returncode == 0:
            return True
        if done.returncode == 1 and "unable to find the specified registry" in done.output.lower():
            return False
        failures.append(done.evidence())
        note_retry(f"reg delete {key}: {done.evidence()}")
    raise RuntimeError(f"rig: reg delete {key} failed {_REG_TRIES} times:\n" + "\n".join(failures))
