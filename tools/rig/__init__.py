"""Quorvine's test rig: Wine prefixes under Xvfb with a bcdedit stand-in and a
dialog answerer, for the end-to-end tests, the Wine unit tests and the sandbox."""

# flake8: noqa: F401 -- the package's interface
from .quorvine import (BCD_LANGUAGES, PROBE_VALUE, RUNONCE, Run, bcd_entries, bcd_store, event_records, file_attrs,
                       file_locked,
                       install_manage_bde, install_quorvine, manage_bde_log, output_lines, read_file, restart, run_program,
                       run_quorvine, set_bcd_language, set_file_attrs, write_file)
from .registry import (parse_reg, reg_delete, reg_document, reg_export, reg_export_text, reg_get, reg_import,
                       reg_set, reg_subkeys, reg_values)
from .wine import (HELPERS, MARKER, ROOT, STUB, VERSIONS, Display, Prefix, arch_line, arch_reason, base_prefix,
                   build, build_dir, build_for_tests, ensure_tools, new_prefix, prefix_processes, sweep, test_arch)
