#!/usr/bin/env python3
"""Writes the portable zip of the Windows program: the files given, flat, in the order given.

    portable_zip.py OUT.zip FILE...

The same files give the same bytes: every entry carries the time of SOURCE_DATE_EPOCH (else
1980-01-01, the first a zip can hold), DOS attributes only (no owner, no Unix permissions) and
deflate at level 9.
"""

import os
import sys
import time
import zipfile

DOS_EPOCH = 315532800  # 1980-01-01 00:00:00 UTC
ARCHIVE_ATTRIBUTE = 0x20


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__.strip())
    out, files = sys.argv[1], sys.argv[2:]
    stamp = max(int(os.environ.get("SOURCE_DATE_EPOCH", DOS_EPOCH)), DOS_EPOCH)
    date_time = time.gmtime(stamp)[:6]
    with zipfile.ZipFile(out + ".tmp", "w") as archive:
        for path in files:
            info = zipfile.ZipInfo(os.path.basename(path), date_time)
            info.create_system = 0  # MS-DOS: what Windows' own zips say
            info.external_attr = ARCHIVE_ATTRIBUTE
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as f:
                archive.writestr(info, f.read(), compresslevel=9)
    os.replace(out + ".tmp", out)


if __name__ == "__main__":
    main()
