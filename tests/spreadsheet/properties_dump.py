"""Dumps the document properties of a compound document file as olefile
(python3-olefile) reads them, so that the workbook tests can check them with
a reader that shares no code with ours. Run with the system's Python 3.

    properties_dump.py FILE

Lines (fields separated by tabs):
    stream   NAME                 (each stream of the root storage, sorted)
    property NAME  VALUE          (title, subject, author, keywords, comments)
An error of olefile ends the script with status 1 and its message on
standard error.
"""

import sys

import olefile


def text(value):
    if value is None:
        return ""
    if isinstance(value, bytes):
        value = value.decode("cp1252", "replace")
    return str(value).replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


def main(path):
    ole = olefile.OleFileIO(path)
    out = []
    for entry in sorted(ole.listdir(streams=True, storages=False)):
        out.append("stream\t%s" % "/".join(text(part) for part in entry))
    meta = ole.get_metadata()
    for name in ("title", "subject", "author", "keywords", "comments"):
        out.append("property\t%s\t%s" % (name, text(getattr(meta, name))))
    sys.stdout.write("".join(line + "\n" for line in out))


if __name__ == "__main__":
    try:
        main(sys.argv[1])
    except Exception as error:  # every failure of the reader is the answer
        sys.stderr.write("olefile: %s: %s\n" % (type(error).__name__, error))
        sys.exit(1)
