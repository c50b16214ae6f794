"""Writes test archives: make_archive.py zip OUT [NAME CONTENT_FILE]...
or make_archive.py gzip OUT CONTENT_FILE. A CONTENT_FILE of '-' makes a folder entry."""
import gzip
import sys
import zipfile

kind, out = sys.argv[1], sys.argv[2]
if kind == "zip":
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        args = sys.argv[3:]
        for name, source in zip(args[0::2], args[1::2]):
            if source == "-":
                z.writestr(zipfile.ZipInfo(name if name.endswith("/") else name + "/"), b"")
            else:
                with open(source, "rb") as f:
                    z.writestr(zipfile.ZipInfo(name), f.read(), zipfile.ZIP_DEFLATED)
elif kind == "gzip":
    with open(sys.argv[3], "rb") as f:
        data = f.read()
    with gzip.open(out, "wb") as g:
        g.write(data)
else:
    sys.exit("unknown kind " + kind)
