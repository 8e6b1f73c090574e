"""Quorvine's test rig: Wine prefixes under Xvfb with a bcdedit stand-in and a
dialog answerer, for the end-to-end tests, the Wine unit tests and the sandbox."""

# flake8: noqa: F401 -- the package's interface
from .quorvine import (BCD_LANGUAGES, PRINTED, PROBE_VALUE, RUNONCE, Run, bcd_entries, bcd_store, bcdedit, event_records,
                       file_attrs, file_locked, install_manage_bde, install_quorvine, manage_bde_log, output_lines, printed,
                       read_file, restart, run_program, run_quorvine, run_stand_in, run_unseen, set_bcd_language,
                       set_file_attrs, write_file)
from .registry import (note_retry, parse_reg, reg_delete, reg_document, reg_export, reg_export_text, reg_get, reg_import,
                       reg_set, reg_subkeys, reg_values)
from .wine import (HELPERS, MARKER, ROOT, STUB, VERSIONS, Display, Prefix, arch_line, arch_reason, base_prefix,
                   build, build_dir, build_for_tests, ensure_tools, new_prefix, prefix_processes, sweep, test_arch,
                   wine_messages)
