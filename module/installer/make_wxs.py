"""Writes the WiX source of Kolo's installer, for wixl.

Both modules go into Program Files\\Kolo with their registration as plain registry rows, the
rows their own DllRegisterServer wrote (KoloRegistryRows.exe), each size's rows in its own
registry view. Beside them the page Kolo.html, which hosts the control on the bundled pictures
in samples\\, and a Start-menu shortcut to it. Uninstalling removes every file, row and key.

Usage: python3 make_wxs.py VERSION OUT.wxs CAPTURE_FOLDER ROWS32 OCX32 ROWS64 OCX64 PAGE SAMPLES
CAPTURE_FOLDER is the Windows folder the modules were registered from while their rows were
written; its paths become the installed ones.
"""
import os
import re
import sys
import uuid
from xml.sax.saxutils import quoteattr

# Fixed for every version: upgrades find the installed product by it, and each component keeps
# its identity.
UPGRADE_CODE = "{5B0C46C1-1E3B-4C4B-9A37-6F1B4D0A7E21}"
NAMESPACE = uuid.UUID("0d0b7a4e-3c4c-4a55-9f8e-2f2b6f5c9d11")


def component_guid(name):
    return "{%s}" % str(uuid.uuid5(NAMESPACE, name)).upper()


def formatted(text):
    """Text as an installer formatted string: brackets and braces escaped."""
    return re.sub(r"([\[\]{}])", r"[\\\1]", text)


def rows_of(path, capture, module_id, module_name):
    """The registry elements for one module's rows, its capture paths made installed ones."""
    # The module's path as registration wrote it, long or short; then the folder's long path.
    module_path = re.compile(r"[A-Za-z]:\\[^\t,]*?\\%s" % re.escape(module_name), re.IGNORECASE)
    folder = re.compile(re.escape(capture) + r"\\?", re.IGNORECASE)
    elements = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if not line:
                continue
            key, name, kind, value = line.split("\t", 3)
            name_attr = " Name=%s" % quoteattr(name) if name else ""
            if kind == "dword":
                value_attr = 'Type="integer" Value=%s' % quoteattr(value)
            elif kind == "key":
                # An empty key: the installer creates it with an empty default value.
                value_attr = 'Type="string" Value=""'
            else:
                text = ""
                position = 0
                for match in module_path.finditer(value):
                    text += formatted(folder.sub("\0", value[position:match.start()]))
                    text += "[#%s]" % module_id
                    position = match.end()
                rest = value[position:]
                pieces = folder.split(rest)
                text += "[INSTALLFOLDER]".join(formatted(piece) for piece in pieces)
                value_attr = 'Type="string" Value=%s' % quoteattr(text)
            elements.append('<RegistryValue Root="HKCR" Key=%s%s %s/>' % (quoteattr(key), name_attr, value_attr))
    if not elements:
        sys.exit("no registry rows in " + path)
    return elements


def main():
    version, out, capture, rows32, ocx32, rows64, ocx64, page, samples = sys.argv[1:10]
    capture = capture.rstrip("\\")
    # wixl reads sources relative to the .wxs file.
    here = os.path.dirname(os.path.abspath(out))

    def source(path):
        return quoteattr(os.path.relpath(os.path.abspath(path), here))

    lines = ['<?xml version="1.0" encoding="utf-8"?>',
             '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">',
             '<Product Id="*" Name="Kolo" Language="1033" Version="%s.0" '
             'Manufacturer="The Kolo developers" UpgradeCode="%s">' % (version, UPGRADE_CODE),
             '<Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine" '
             'Description="Kolo, a colouring book for children: the ActiveX control"/>',
             '<Media Id="1" Cabinet="kolo.cab" EmbedCab="yes"/>',
             '<Directory Id="TARGETDIR" Name="SourceDir">',
             '<Directory Id="ProgramFiles64Folder">',
             '<Directory Id="INSTALLFOLDER" Name="Kolo">']
    components = []
    for bits, rows, ocx in (("64", rows64, ocx64), ("32", rows32, ocx32)):
        name = os.path.basename(ocx)
        file_id = "Module%s" % bits
        components.append(file_id)
        lines.append('<Component Id="%s" Guid="%s" Win64="%s">' %
                     (file_id, component_guid(file_id), "yes" if bits == "64" else "no"))
        lines.append('<File Id="%s" Name="%s" Source=%s KeyPath="yes"/>' % (file_id, name, source(ocx)))
        lines.extend(rows_of(rows, capture, file_id, name))
        lines.append('</Component>')
    components.append("Page")
    lines += ['<Component Id="Page" Guid="%s" Win64="yes">' % component_guid("Page"),
              '<File Id="Page" Name="Kolo.html" Source=%s KeyPath="yes"/>' % source(page),
              # Not advertised: it opens the page itself, as a link to a file does.
              '<Shortcut Id="PageShortcut" Directory="ProgramMenuFolder" Name="Kolo" Target="[#Page]" '
              'Advertise="no" Description="Colour the bundled pictures with the Kolo control"/>',
              '</Component>',
              '<Directory Id="SAMPLES" Name="samples">']
    pictures = sorted(n for n in os.listdir(samples)
                      if os.path.splitext(n)[1].lower() in (".bmp", ".gif", ".jpg", ".png", ".html"))
    for index, name in enumerate(pictures):
        component = "Sample%d" % index
        components.append(component)
        lines += ['<Component Id="%s" Guid="%s" Win64="yes">' % (component, component_guid("sample " + name)),
                  '<File Id="%s" Name=%s Source=%s KeyPath="yes"/>' %
                  (component, quoteattr(name), source(os.path.join(samples, name))),
                  '</Component>']
    lines += ['</Directory>', '</Directory>', '</Directory>',
              '<Directory Id="ProgramMenuFolder"/>',
              '</Directory>',
              '<Feature Id="Complete" Level="1">']
    lines += ['<ComponentRef Id="%s"/>' % c for c in components]
    lines += ['</Feature>', '</Product>', '</Wix>']
    with open(out, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
