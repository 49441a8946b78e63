#!/usr/bin/env python3
"""The layer check on small client trees: which includes it lets through and which it refuses."""
import pathlib
import subprocess
import sys
import tempfile

CHECK = pathlib.Path(__file__).resolve().parents[2] / "cmake" / "check_layers.py"

CASES = [
    # (file, its include, passes)
    ("ui/main_window_win.cpp", "feeds/feed_page_win.h", True),
    ("feeds/feed_page_win.cpp", "toolkit/window_win.h", True),
    ("app/main_win.cpp", "ui/login_window_win.h", True),  # the entry point puts it all together
    ("feeds/feed_page_win.cpp", "feeds/feed_layout.h", True),
    ("feeds/feed_page_win.cpp", "ui/main_layout.h", False),
    ("session/login.h", "app/settings_file.h", False),
    ("session/login.h", "toolkit/window_win.h", False),  # same rank: independent
    ("app/process_state.h", "feeds/feed_rows.h", False),
    ("runtime/handles_win.h", "skin/skin_engine_win.h", False),
]


def main() -> int:
    failed = 0
    for source, include, passes in CASES:
        with tempfile.TemporaryDirectory() as tmp:
            path = pathlib.Path(tmp) / source
            path.parent.mkdir(parents=True)
            path.write_text(f'#include <windows.h>\n#include "{include}"\n', encoding="utf-8")
            result = subprocess.run([sys.executable, str(CHECK), tmp], capture_output=True, text=True)
            ok = (result.returncode == 0) == passes and (passes or include.split("/")[0] in result.stderr)
            if not ok:
                failed += 1
                print(f"FAIL {source} -> {include}: exit {result.returncode} {result.stderr.strip()}")
    print(f"{len(CASES) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
