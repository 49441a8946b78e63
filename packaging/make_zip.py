#!/usr/bin/env python3
"""make_zip.py ZIP DIR: the portable package, DIR as one folder of its name inside ZIP.

Reproducible: entries in name order, one fixed time stamp (SOURCE_DATE_EPOCH when set, else the
zip format's first day), no file modes, so the same files give the same bytes.
"""
import os
import sys
import time
import zipfile


def main():
    if len(sys.argv) != 3:
        sys.exit('usage: make_zip.py ZIP DIR')
    target, folder = sys.argv[1], os.path.normpath(sys.argv[2])
    epoch = os.environ.get('SOURCE_DATE_EPOCH')
    stamp = max(time.gmtime(int(epoch))[:6] if epoch else (0,), (1980, 1, 1, 0, 0, 0))
    top = os.path.basename(folder)
    files = []
    for root, dirs, names in os.walk(folder):
        dirs.sort()
        for name in names:
            path = os.path.join(root, name)
            files.append((os.path.relpath(path, folder).replace(os.sep, '/'), path))
    if not files:
        sys.exit('make_zip.py: %s is empty' % folder)
    partial = target + '.tmp'
    with zipfile.ZipFile(partial, 'w', zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for name, path in sorted(files):
            info = zipfile.ZipInfo(top + '/' + name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # made "on MS-DOS": plain files, no Unix modes to carry
            info.external_attr = 0
            with open(path, 'rb') as f:
                z.writestr(info, f.read())
    os.replace(partial, target)


if __name__ == '__main__':
    main()
