# Where the Debian package installs the tool (cmake/Packaging.cmake), and so where
# the installed talun-r5 looks for its driver library and default.ini when they
# are not beside it (cli/ProgramFiles.cpp).
set(TALUN_INSTALLED_PROGRAM_DIR /usr/bin)
set(TALUN_INSTALLED_LIBRARY_DIR /usr/lib/talun-r5)
set(TALUN_INSTALLED_CONFIG_DIR /etc/talun-r5)
set(TALUN_INSTALLED_UDEV_RULES_DIR /usr/lib/udev/rules.d)
set(TALUN_INSTALLED_DOC_DIR /usr/share/doc/talun-r5)
