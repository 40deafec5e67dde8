#include "command/CommandHelp.h"

namespace vorlane::command {

std::string CommandHelpText(CommandId id) {
    switch (id) {
    case CommandId::Attrib:
        return "ATTRIB +A|-A +H|-H +R|-R +S|-S FILES\n"
               "  Sets (+) or clears (-) attributes: A archive, H hidden, R read-only,\n"
               "  S system. Several +/- words add up; one attribute cannot be both.\n"
               "  FILES   a file, a wildcard, a directory (all its files) or a file group\n"
               "          word: [tagged] [untagged] [every] [current]\n";
    case CommandId::Chdir:
        return "CD DIRECTORY   (also CHDIR)\n"
               "  Makes DIRECTORY (or a drive's root: CD D:) the working directory.\n"
               "  /z      accepted, does nothing\n";
    case CommandId::Copy:
    case CommandId::Move:
        return std::string(id == CommandId::Copy ? "COPY" : "MOVE") +
               " SOURCE TARGET [/n] [/t] [/p] [/s] [/zp | /zrp]\n"
               "  SOURCE  a file, a wildcard, a directory (with its tree), a zip file or a\n"
               "          file group word\n"
               "  TARGET  a directory (A:\\, not A:) or a zip file\n"
               "  /n      only files newer than the target's copy (or missing there)\n"
               "  /t      only files the target already has\n"
               "  /p      ask before replacing a file\n"
               "          (none of /n /t /p: /n and /p together)\n"
               "  /s      accepted; a directory is always copied with its tree\n"
               "  /zp     store full paths in a zip target; /zrp relative paths\n" +
               (id == CommandId::Move ? "  The sources are removed once copied.\n" : "");
    case CommandId::Delete:
        return "DEL FILES [/p | /y] [/z | /r]   (also ERASE)\n"
               "  FILES   a file, a wildcard or a file group word (not both)\n"
               "  /p      ask for each file (the default)\n"
               "  /y      do not ask (read-only, hidden and system files still are)\n"
               "  /z      zap: overwrite before deleting\n"
               "  /r      move to the trash\n"
               "  A directory needs a wildcard (C:\\OLD\\*.*) or RD.\n";
    case CommandId::Describe:
        return "DESCRIBE FILE \"TEXT\"\n"
               "  Sets the 4DOS description of FILE (not inside a zip file).\n";
    case CommandId::Dir:
        return "DIR DIRECTORY | PATTERN | DIRECTORY\\PATTERN\n"
               "  Lists the directory with sizes, dates and descriptions (a file manager\n"
               "  window shows it instead, its caret on the first match).\n"
               "  /z      accepted, does nothing\n";
    case CommandId::Label:
        return "LABEL DRIVE NEWLABEL\n"
               "  Changes the volume label of the file system on DRIVE, after asking.\n"
               "  Only a drive whose directory is the root of a file system has one; a\n"
               "  drive inside another file system, on / or on the home directory is\n"
               "  refused. Labels can be set on ext2, ext3, ext4 (e2label), FAT\n"
               "  (fatlabel), exFAT (exfatlabel), NTFS (ntfslabel), btrfs and XFS\n"
               "  (xfs_admin) file systems with the tool installed and the rights to\n"
               "  write the device. Lengths: FAT 11 ASCII characters, ext 16 bytes,\n"
               "  XFS 12 bytes, exFAT 15 characters.\n";
    case CommandId::Mkdir:
        return "MD PATH   (also MKDIR)\n"
               "  Makes a directory; PATH ending in .ZIP makes an empty zip file.\n"
               "  A bare name reads as a wildcard: write MD .\\NEW.\n";
    case CommandId::Rename:
        return "REN FILES NEWNAME   (also RENAME)\n"
               "  Renames a file, a directory, a wildcard's files or a file group;\n"
               "  NEWNAME may hold wildcards (REN *.TXT *.BAK). Not inside a zip file;\n"
               "  to another directory use MOVE.\n";
    case CommandId::Rmdir:
        return "RD DIRECTORY [/p | /y] [/z]   (also RMDIR)\n"
               "  Removes a directory with everything in it.\n"
               "  /p      ask for each file (the default)\n"
               "  /y      do not ask; a drive's root still asks once\n"
               "  /z      zap: overwrite before deleting\n"
               "  / and the home directory are never removed.\n";
    case CommandId::Touch:
        return "TOUCH FILES\n"
               "  Sets the date and time of FILES (a file, a wildcard or a file group\n"
               "  word) to now, the fields chosen in the Touch settings.\n";
    case CommandId::ZipToExe:
        return "ZIPTOEXE ZIPFILE\n"
               "  Makes a self-extracting program of ZIPFILE with the builder's defaults.\n";
    }
    return "";
}

} // namespace vorlane::command
