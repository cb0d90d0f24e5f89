# Installation (program, attrdb, desktop entry, icon) and the Debian package.
