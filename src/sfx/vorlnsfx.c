/* vorlnsfx: the loader of Vorlane's self-extracting archives.
 *
 * ZipToExe copies this program, fills its three text slots and appends a
 * zip archive to the copy. Run, the program reads the archive behind its
 * own bytes (/proc/self/exe; on Windows its module file), shows the
 * company text, asks where to extract (offering the default directory of
 * its slot), extracts every member and shows the start-up text file its
 * slot names. It never runs anything it extracts.
 *
 *   vorlnsfx [-d DIR] [-y] [--list | --test]
 *
 * Safety: the whole central directory is checked before one byte is
 * written. Absolute names, drive letters, ".." components, links and other
 * special members, encrypted or ZIP64 members, unknown methods and members
 * whose data overlap or run outside the archive are refused (message, exit
 * 2, nothing extracted). Directories are walked with openat(O_NOFOLLOW), so
 * a link in the destination is never followed; files are created with
 * O_CREAT|O_EXCL|O_NOFOLLOW, an existing file is replaced (through a
 * temporary file and a rename) only when the user says so or -y was given.
 * A member that inflates past its declared size or fails its CRC is
 * removed and the run fails (exit 3).
 *
 * The same source builds for Windows (MinGW-w64, -municode): names are
 * converted from the archive's UTF-8 (general purpose flag bit 11) or
 * CP437 to UTF-16, and names Windows would read differently from the
 * archive (':' of an alternate stream, reserved device names, trailing
 * dots and blanks, the characters <>"|?*) are refused as well. Each
 * directory is opened as itself and must not be a reparse point (a
 * junction or a link); it stays open without delete sharing until the
 * member is written. Files are created with CREATE_NEW.
 *
 * Built without the program's modules and linked statically with zlib, so
 * that a self-extractor runs on a machine with nothing installed. */
#ifdef _WIN32
#define __USE_MINGW_ANSI_STDIO 1 /* C99 printf formats (%zu, %llu) */
#define WIN32_LEAN_AND_MEAN
#include <wchar.h>
#include <windows.h>
#else
#define _GNU_SOURCE
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <errno.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

/* The slots the builder fills: '[' + marker ... ']', written over in
 * place (left-aligned text padded with blanks to the slot's length). Not
 * static and not const, so the compiler keeps their bytes in the data
 * section and reads them at run time. */
#define SFX_PAD16 "                "
#define SFX_PAD64 SFX_PAD16 SFX_PAD16 SFX_PAD16 SFX_PAD16
#define SFX_PAD256 SFX_PAD64 SFX_PAD64 SFX_PAD64 SFX_PAD64
char sfx_register_slot[] = "[Register" SFX_PAD256 "]";
char sfx_unzip_path_slot[] = "[UnzipPath" SFX_PAD256 "]";
char sfx_readme_slot[] = "[ReadmeFile" SFX_PAD256 "]";

enum { EXIT_OK = 0, EXIT_USAGE = 1, EXIT_REFUSED = 2, EXIT_FAILED = 3, EXIT_CANCELLED = 4 };

#define SIG_LOCAL 0x04034b50u
#define SIG_CENTRAL 0x02014b50u
#define SIG_END 0x06054b50u
#define MAX_README (1u << 20)

struct member {
    char* name; /* '\\' turned into '/' */
    uint16_t method, flags, made_by;
    uint32_t crc, external;
    uint64_t csize, usize, local; /* local: the local header's offset in the file */
    uint64_t data;                /* where the member's bytes start */
    int is_dir;
};

#ifdef _WIN32
typedef HANDLE file_t;
#define NO_FILE INVALID_HANDLE_VALUE
#else
typedef int file_t;
#define NO_FILE (-1)
#endif

static file_t g_self = NO_FILE;
static uint64_t g_size;
static struct member* g_members;
static size_t g_count;
static int g_yes;
static int g_replace_all;

static void fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    fputs("vorlnsfx: ", stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
}

static uint16_t le16(const unsigned char* p) {
    return (uint16_t)(p[0] | (p[1] << 8));
}
static uint32_t le32(const unsigned char* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

static const char* unpack(const struct member* m, file_t out, char** keep, size_t* kept);
static int ask_replace(const char* name);

#ifndef _WIN32

/* ---- Linux and other POSIX systems ---- */

/* Opens this program's own file. 0 on failure (message shown). */
static int open_self(void) {
    g_self = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (g_self < 0 || fstat(g_self, &st) != 0) {
        fail("cannot read this program: %s", strerror(errno));
        return 0;
    }
    g_size = (uint64_t)st.st_size;
    return 1;
}

static void start_console(void) {}

/* One read of up to size bytes of this program at offset: the count, 0 at
 * the end, -1 on an error. */
static long long read_some(void* buffer, size_t size, uint64_t offset) {
    for (;;) {
        ssize_t got = pread(g_self, buffer, size, (off_t)offset);
        if (got < 0 && errno == EINTR)
            continue;
        return got;
    }
}

/* NULL when every byte was written, else the reason. */
static const char* write_all(file_t out, const unsigned char* bytes, size_t length) {
    size_t written = 0;
    while (written < length) {
        ssize_t n = write(out, bytes + written, length - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return strerror(errno ? errno : EIO);
        written += (size_t)n;
    }
    return NULL;
}

/* One line of the answer; 0 at the end of the input. */
static int read_line(char* line, size_t size) {
    return fgets(line, (int)size, stdin) != NULL;
}

/* Member names are used as stored: any byte but '/' and NUL is a name's. */
static const char* host_name(struct member* m) {
    (void)m;
    return NULL;
}
static int host_refuses(const char* name) {
    (void)name;
    return 0;
}

static int g_root = -1;

/* Makes the extraction directory when missing and opens it. 0 on failure
 * (message shown). */
static int open_target(const char* target) {
    if (mkdir(target, 0755) != 0 && errno != EEXIST) {
        fail("cannot make '%s': %s", target, strerror(errno));
        return 0;
    }
    g_root = open(target, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (g_root < 0) {
        fail("cannot open '%s': %s", target, strerror(errno));
        return 0;
    }
    return 1;
}

/* Makes directory name in *dir when missing and steps into it, never
 * through a link. 0 on failure (*dir stays open). */
static int enter_dir(int* dir, const char* name) {
    if (mkdirat(*dir, name, 0755) != 0 && errno != EEXIST)
        return 0;
    int next = openat(*dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0)
        return 0;
    close(*dir);
    *dir = next;
    return 1;
}

/* Opens (making when missing) each directory of path below root, never
 * through a link; with make_last the last component too (a directory
 * member). Returns the innermost directory's descriptor, and in *base the
 * last component; -1 on failure. */
static int walk_to_parent(int root, char* path, char** base, int make_last) {
    int dir = dup(root);
    char* p = path;
    for (;;) {
        char* slash = strchr(p, '/');
        int last = !slash || slash[1] == '\0';
        if (slash)
            *slash = '\0';
        int ok = last && !(make_last && *p) ? 1 : enter_dir(&dir, p);
        if (slash)
            *slash = '/';
        if (!ok) {
            close(dir);
            return -1;
        }
        if (last) {
            *base = p;
            return dir;
        }
        p = slash + 1;
    }
}

static int extract_one(struct member* m) {
    char* base;
    int dir = walk_to_parent(g_root, m->name, &base, m->is_dir);
    if (dir < 0) {
        fail("cannot make the directories of '%s': %s", m->name, strerror(errno));
        return EXIT_FAILED;
    }
    if (m->is_dir) {
        close(dir);
        return EXIT_OK;
    }
    mode_t mode = 0644;
    if ((m->made_by >> 8) == 3 && (m->external >> 16) != 0)
        mode = (m->external >> 16) & 0755;
    char temp[32] = "";
    int out = openat(dir, base, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (out < 0 && errno == EEXIST) {
        if (!ask_replace(m->name)) {
            printf("  skipped: %s\n", m->name);
            close(dir);
            return EXIT_OK;
        }
        for (int attempt = 0; out < 0 && attempt < 100; ++attempt) {
            snprintf(temp, sizeof temp, ".vorlnsfx.%ld.%d", (long)getpid(), attempt);
            out = openat(dir, temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
            if (out < 0 && errno != EEXIST)
                break;
        }
    }
    if (out < 0) {
        fail("cannot create '%s': %s", m->name, strerror(errno));
        close(dir);
        return EXIT_FAILED;
    }
    const char* why = unpack(m, out, NULL, NULL);
    if (close(out) != 0 && !why)
        why = strerror(errno);
    if (!why && temp[0] && renameat(dir, temp, dir, base) != 0)
        why = strerror(errno);
    if (why) {
        unlinkat(dir, temp[0] ? temp : base, 0);
        fail("'%s' not extracted: %s", m->name, why);
        close(dir);
        return EXIT_FAILED;
    }
    printf("  extracted: %s\n", m->name);
    close(dir);
    return EXIT_OK;
}

#else /* _WIN32 */

/* ---- Windows ---- */

static char g_error[512];

/* The text of the last Windows error (UTF-8, without its final stop). */
static const char* sys_error(void) {
    DWORD code = GetLastError();
    wchar_t text[256];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, code,
                             0, text, 256, NULL);
    while (n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L' ' ||
                     text[n - 1] == L'.'))
        --n;
    int got = n ? WideCharToMultiByte(CP_UTF8, 0, text, (int)n, g_error, (int)sizeof g_error - 1,
                                      NULL, NULL)
                : 0;
    if (got <= 0)
        snprintf(g_error, sizeof g_error, "error %lu", (unsigned long)code);
    else
        g_error[got] = '\0';
    return g_error;
}

/* UTF-8 to a new UTF-16 string; NULL when text is not valid UTF-8. */
static wchar_t* widen(const char* text) {
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, NULL, 0);
    wchar_t* wide = n > 0 ? malloc((size_t)n * sizeof *wide) : NULL;
    if (wide && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide, n) != n) {
        free(wide);
        wide = NULL;
    }
    return wide;
}

/* UTF-16 to a new UTF-8 string. */
static char* narrow(const wchar_t* text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, NULL, 0, NULL, NULL);
    char* utf8 = n > 0 ? malloc((size_t)n) : NULL;
    if (utf8 && WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, n, NULL, NULL) != n) {
        free(utf8);
        utf8 = NULL;
    }
    return utf8;
}

static int open_self(void) {
    wchar_t* path = NULL;
    for (DWORD capacity = MAX_PATH; capacity <= 65536 && g_self == NO_FILE; capacity *= 2) {
        wchar_t* bigger = realloc(path, capacity * sizeof *path);
        if (!bigger)
            break;
        path = bigger;
        DWORD n = GetModuleFileNameW(NULL, path, capacity);
        if (n == 0)
            break;
        if (n < capacity)
            g_self = CreateFileW(path, GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        if (n < capacity)
            break;
    }
    LARGE_INTEGER size;
    int ok = g_self != NO_FILE && GetFileSizeEx(g_self, &size);
    if (!ok)
        fail("cannot read this program: %s", sys_error());
    else
        g_size = (uint64_t)size.QuadPart;
    free(path);
    return ok;
}

static UINT g_console_page;

static void restore_console(void) {
    SetConsoleOutputCP(g_console_page);
}

/* Names and texts are written in UTF-8: the console is told so for the
 * run and given its own code page back at the end. */
static void start_console(void) {
    g_console_page = GetConsoleOutputCP();
    if (g_console_page && g_console_page != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        atexit(restore_console);
}

static long long read_some(void* buffer, size_t size, uint64_t offset) {
    OVERLAPPED at;
    memset(&at, 0, sizeof at);
    at.Offset = (DWORD)offset;
    at.OffsetHigh = (DWORD)(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(g_self, buffer, size > 0x40000000u ? 0x40000000u : (DWORD)size, &got, &at))
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return got;
}

static const char* write_all(file_t out, const unsigned char* bytes, size_t length) {
    while (length > 0) {
        DWORD n = 0;
        if (!WriteFile(out, bytes, length > 0x40000000u ? 0x40000000u : (DWORD)length, &n, NULL))
            return sys_error();
        if (n == 0)
            return "nothing could be written";
        bytes += n;
        length -= n;
    }
    return NULL;
}

/* From a console the line is read as UTF-16 (the console's code page
 * cannot carry every name), else as UTF-8 bytes. Ctrl+Z ends the input. */
static int read_line(char* line, size_t size) {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (in == NULL || in == INVALID_HANDLE_VALUE || !GetConsoleMode(in, &mode))
        return fgets(line, (int)size, stdin) != NULL;
    wchar_t wide[1024];
    DWORD got = 0;
    if (!ReadConsoleW(in, wide, 1023, &got, NULL) || got == 0 || wide[0] == 0x1A)
        return 0;
    wide[got] = L'\0';
    int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, line, (int)size, NULL, NULL);
    if (n <= 0)
        line[0] = '\0';
    return 1;
}

/* The member's name made UTF-8: kept when general purpose flag bit 11
 * says it is UTF-8 (and it is), else read as code page 437, which every
 * Windows knows. NULL when good, else the reason. */
static const char* host_name(struct member* m) {
    int utf8 = (m->flags & 0x800) != 0;
    int n = MultiByteToWideChar(utf8 ? CP_UTF8 : 437, utf8 ? MB_ERR_INVALID_CHARS : 0, m->name, -1,
                                NULL, 0);
    wchar_t* wide = n > 0 ? malloc((size_t)n * sizeof *wide) : NULL;
    char* text = NULL;
    if (wide && MultiByteToWideChar(utf8 ? CP_UTF8 : 437, utf8 ? MB_ERR_INVALID_CHARS : 0, m->name,
                                    -1, wide, n) == n)
        text = narrow(wide);
    free(wide);
    if (!text)
        return utf8 ? "its name is not valid UTF-8" : "its name cannot be read";
    free(m->name);
    m->name = text;
    return NULL;
}

/* A name Windows would read as something else than the archive says: a
 * component with ':' (an alternate data stream), a device name (CON,
 * NUL, COM1, ... with or without an extension), a trailing dot or blank
 * (dropped by Windows), an empty component, or a character no Windows
 * file name holds. */
static int host_refuses(const char* name) {
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    const char* p = name;
    while (*p) {
        const char* end = strchr(p, '/');
        size_t length = end ? (size_t)(end - p) : strlen(p);
        if (length == 0 || p[length - 1] == '.' || p[length - 1] == ' ')
            return 1;
        for (size_t i = 0; i < length; ++i)
            if ((unsigned char)p[i] < 0x20 || strchr("<>:\"|?*", p[i]))
                return 1;
        size_t stem = 0;
        while (stem < length && p[stem] != '.')
            ++stem;
        while (stem > 0 && p[stem - 1] == ' ')
            --stem;
        for (size_t i = 0; i < sizeof devices / sizeof *devices; ++i)
            if (stem == strlen(devices[i]) && _strnicmp(p, devices[i], stem) == 0)
                return 1;
        if (stem == 4 && (_strnicmp(p, "COM", 3) == 0 || _strnicmp(p, "LPT", 3) == 0) &&
            p[3] >= '0' && p[3] <= '9')
            return 1;
        p += length;
        if (*p == '/')
            ++p;
    }
    return 0;
}

/* The path Windows resolves an open handle to ("\\?\C:\dir", links and
 * junctions followed), without a trailing '\'; NULL when unknown. */
static wchar_t* final_path(HANDLE handle) {
    const DWORD flags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    DWORD n = GetFinalPathNameByHandleW(handle, NULL, 0, flags);
    wchar_t* path = n ? malloc((n + 1) * sizeof *path) : NULL;
    DWORD got = path ? GetFinalPathNameByHandleW(handle, path, n + 1, flags) : 0;
    if (got == 0 || got > n) {
        free(path);
        return NULL;
    }
    while (got > 0 && path[got - 1] == L'\\')
        path[--got] = L'\0';
    return path;
}

static int same_name(const wchar_t* a, const wchar_t* b, size_t length) {
    return CompareStringOrdinal(a, (int)length, b, (int)length, TRUE) == CSTR_EQUAL;
}

/* "\\?\" and the full path of the extraction directory, ending in '\':
 * member paths are joined to it as they are, free of the
 * length limit and of any rewriting of their names. */
static wchar_t* g_root;
static size_t g_root_length;
/* The extraction directory, held open, and the path it resolves to. */
static HANDLE g_root_handle = NO_FILE;
static wchar_t* g_root_final;

static int open_target(const char* target) {
    wchar_t* wide = widen(target);
    if (!wide) {
        fail("cannot make '%s': the name is not valid UTF-8", target);
        return 0;
    }
    DWORD n = 0;
    int ok = (CreateDirectoryW(wide, NULL) || GetLastError() == ERROR_ALREADY_EXISTS) &&
             (n = GetFullPathNameW(wide, 0, NULL, NULL)) != 0;
    wchar_t* full = ok ? malloc((n + 1) * sizeof *full) : NULL;
    g_root = ok ? malloc((n + 9) * sizeof *g_root) : NULL;
    if (!ok || !full || !g_root || GetFullPathNameW(wide, n + 1, full, NULL) == 0) {
        fail("cannot make '%s': %s", target, ok ? "out of memory" : sys_error());
        return 0;
    }
    if (wcsncmp(full, L"\\\\?\\", 4) == 0 || wcsncmp(full, L"\\\\.\\", 4) == 0)
        wcscpy(g_root, full);
    else if (wcsncmp(full, L"\\\\", 2) == 0)
        wcscat(wcscpy(g_root, L"\\\\?\\UNC\\"), full + 2);
    else
        wcscat(wcscpy(g_root, L"\\\\?\\"), full);
    g_root_length = wcslen(g_root);
    if (g_root[g_root_length - 1] != L'\\')
        wcscpy(g_root + g_root_length++, L"\\");
    /* Opened by its Win32 path, which names a drive's root as well. */
    g_root_handle = CreateFileW(full, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    free(full);
    free(wide);
    BY_HANDLE_FILE_INFORMATION info;
    if (g_root_handle == NO_FILE || !GetFileInformationByHandle(g_root_handle, &info) ||
        !(g_root_final = final_path(g_root_handle))) {
        fail("cannot open '%s': %s", target, sys_error());
        return 0;
    }
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        fail("cannot open '%s': it is not a directory", target);
        return 0;
    }
    return 1;
}

/* Makes directory path (component, below the directory that resolves to
 * parent) when missing and opens it as itself: it must be a directory,
 * not a junction or link, and resolve to parent + '\' + component, so
 * nothing on the way is followed elsewhere (Wine, which shows Linux links
 * as plain directories, resolves them too). The handle, open without
 * delete sharing, keeps the directory from being renamed or replaced until
 * it is closed. NO_FILE on failure (the reason in *why); *resolved: the
 * directory's own resolved path. */
static HANDLE hold_dir(const wchar_t* path, const wchar_t* parent, const wchar_t* component,
                       const char** why, wchar_t** resolved) {
    if (!CreateDirectoryW(path, NULL) && GetLastError() != ERROR_ALREADY_EXISTS) {
        *why = sys_error();
        return NO_FILE;
    }
    HANDLE dir =
        CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    BY_HANDLE_FILE_INFORMATION info;
    if (dir == NO_FILE || !GetFileInformationByHandle(dir, &info)) {
        *why = sys_error();
        if (dir != NO_FILE)
            CloseHandle(dir);
        return NO_FILE;
    }
    wchar_t* final = final_path(dir);
    size_t parent_length = wcslen(parent), length = wcslen(component);
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !final ||
        wcslen(final) != parent_length + 1 + length || final[parent_length] != L'\\' ||
        !same_name(final, parent, parent_length) ||
        !same_name(final + parent_length + 1, component, length)) {
        free(final);
        CloseHandle(dir);
        *why = "a link or a file stands in its way";
        return NO_FILE;
    }
    *resolved = final;
    return dir;
}

static int extract_one(struct member* m) {
    wchar_t* name = widen(m->name);
    size_t name_length = name ? wcslen(name) : 0;
    wchar_t* path = name ? malloc((g_root_length + name_length + 1) * sizeof *path) : NULL;
    HANDLE* held = path ? calloc(name_length + 1, sizeof *held) : NULL;
    wchar_t* temp = NULL;
    wchar_t* resolved = NULL;
    size_t count = 0;
    int rc = EXIT_FAILED;
    if (!held) {
        fail("out of memory");
        goto done;
    }
    wcscpy(path, g_root);
    wcscpy(path + g_root_length, name);
    size_t length = g_root_length + name_length;
    if (m->is_dir)
        path[--length] = L'\0';
    /* Each directory on the way, held until the member is written. */
    size_t parent = g_root_length - 1;
    for (size_t i = g_root_length; i <= length; ++i) {
        if (path[i] == L'/')
            path[i] = L'\\';
        if (path[i] != L'\\' && !(i == length && m->is_dir))
            continue;
        const char* why = NULL;
        wchar_t* next = NULL;
        wchar_t saved = path[i];
        path[i] = L'\0';
        held[count] =
            hold_dir(path, resolved ? resolved : g_root_final, path + parent + 1, &why, &next);
        path[i] = saved;
        if (held[count] == NO_FILE) {
            fail("cannot make the directories of '%s': %s", m->name, why);
            goto done;
        }
        free(resolved);
        resolved = next;
        ++count;
        parent = i;
    }
    rc = EXIT_OK;
    if (m->is_dir)
        goto done;

    HANDLE out = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (out == NO_FILE &&
        (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)) {
        if (!ask_replace(m->name)) {
            printf("  skipped: %s\n", m->name);
            goto done;
        }
        temp = malloc((parent + 40) * sizeof *temp);
        for (int attempt = 0; temp && out == NO_FILE && attempt < 100; ++attempt) {
            char base[40];
            int n = snprintf(base, sizeof base, "\\.vorlnsfx.%lu.%d",
                             (unsigned long)GetCurrentProcessId(), attempt);
            wmemcpy(temp, path, parent);
            for (int k = 0; k <= n; ++k)
                temp[parent + (size_t)k] = (wchar_t)base[k];
            out =
                CreateFileW(temp, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
            if (out == NO_FILE && GetLastError() != ERROR_FILE_EXISTS)
                break;
        }
    }
    if (out == NO_FILE) {
        fail("cannot create '%s': %s", m->name, sys_error());
        rc = EXIT_FAILED;
        goto done;
    }
    const char* why = unpack(m, out, NULL, NULL);
    if (!CloseHandle(out) && !why)
        why = sys_error();
    if (!why && temp && !MoveFileExW(temp, path, MOVEFILE_REPLACE_EXISTING))
        why = sys_error();
    if (why) {
        DeleteFileW(temp ? temp : path);
        fail("'%s' not extracted: %s", m->name, why);
        rc = EXIT_FAILED;
        goto done;
    }
    printf("  extracted: %s\n", m->name);
done:
    while (count > 0)
        CloseHandle(held[--count]);
    free(held);
    free(resolved);
    free(temp);
    free(path);
    free(name);
    return rc;
}

#endif /* _WIN32 */

/* Reads exactly size bytes at offset; 0 on a short read or past the end. */
static int read_at(void* buffer, size_t size, uint64_t offset) {
    if (offset > g_size || size > g_size - offset)
        return 0;
    size_t done = 0;
    while (done < size) {
        long long got = read_some((char*)buffer + done, size - done, offset + done);
        if (got <= 0)
            return 0;
        done += (size_t)got;
    }
    return 1;
}

/* A slot's text: the blanks at its end removed; empty while unfilled
 * (still '[' and its marker). */
static void slot_text(const char* slot, const char* marker, char* out, size_t outSize) {
    size_t length = strlen(slot);
    if (slot[0] == '[' && strncmp(slot + 1, marker, strlen(marker)) == 0) {
        out[0] = '\0';
        return;
    }
    while (length > 0 && (slot[length - 1] == ' ' || slot[length - 1] == '\0'))
        --length;
    if (length >= outSize)
        length = outSize - 1;
    memcpy(out, slot, length);
    out[length] = '\0';
}

/* Writes text to the terminal with control characters (other than line
 * breaks and tabs) shown as '?': an archive's text cannot drive the
 * terminal. */
static void show_text(const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = (unsigned char)text[i];
        if ((c < 0x20 && c != '\n' && c != '\t' && c != '\r') || c == 0x7F)
            c = '?';
        if (c != '\r')
            putchar(c);
    }
}

/* The end record: the last "PK\5\6" in the final 22 + 65535 bytes whose
 * comment runs exactly to the end of the file (else the last one found). */
static int find_end(uint64_t* where, unsigned char record[22]) {
    uint64_t span = g_size < 22 + 65535 ? g_size : 22 + 65535;
    if (span < 22)
        return 0;
    unsigned char* tail = malloc((size_t)span);
    if (!tail || !read_at(tail, (size_t)span, g_size - span)) {
        free(tail);
        return 0;
    }
    int found = 0;
    for (uint64_t i = span - 22 + 1; i-- > 0;) {
        if (le32(tail + i) != SIG_END)
            continue;
        uint64_t at = g_size - span + i;
        if (!found || at + 22 + le16(tail + i + 20) == g_size) {
            *where = at;
            memcpy(record, tail + i, 22);
            found = 1;
            if (at + 22 + le16(tail + i + 20) == g_size)
                break;
        }
    }
    free(tail);
    return found;
}

static int unsafe_name(const char* name) {
    if (name[0] == '\0' || name[0] == '/')
        return 1;
    if (((name[0] | 0x20) >= 'a' && (name[0] | 0x20) <= 'z') && name[1] == ':')
        return 1;
    const char* p = name;
    while (*p) {
        const char* end = strchr(p, '/');
        size_t length = end ? (size_t)(end - p) : strlen(p);
        if (length == 2 && p[0] == '.' && p[1] == '.')
            return 1;
        p += length;
        if (*p == '/')
            ++p;
    }
    return 0;
}

static int compare_local(const void* a, const void* b) {
    const struct member* x = *(const struct member* const*)a;
    const struct member* y = *(const struct member* const*)b;
    return x->local < y->local ? -1 : x->local > y->local;
}

/* Reads and checks the central directory. Returns an exit code. */
static int read_directory(void) {
    uint64_t end_at = 0;
    unsigned char end[22];
    if (!find_end(&end_at, end)) {
        fail("no archive is attached to this program");
        return EXIT_USAGE;
    }
    uint16_t disk = le16(end + 4), total = le16(end + 10);
    uint32_t dir_size = le32(end + 12), dir_offset = le32(end + 16);
    if (disk != 0 || le16(end + 6) != 0 || total != le16(end + 8)) {
        fail("multi-volume archives are not supported");
        return EXIT_REFUSED;
    }
    if (total == 0xFFFF || dir_size == 0xFFFFFFFFu || dir_offset == 0xFFFFFFFFu) {
        fail("ZIP64 archives are not supported");
        return EXIT_REFUSED;
    }
    if (dir_size > end_at) {
        fail("the archive is damaged (central directory size)");
        return EXIT_REFUSED;
    }
    /* The directory ends where the end record starts; an archive whose
     * offsets still count from the zip's own start is read all the same. */
    uint64_t dir_start = end_at - dir_size;
    if (dir_offset > dir_start) {
        fail("the archive is damaged (central directory offset)");
        return EXIT_REFUSED;
    }
    uint64_t shift = dir_start - dir_offset;
    unsigned char* dir = malloc(dir_size ? dir_size : 1);
    g_members = calloc(total ? total : 1, sizeof *g_members);
    if (!dir || !g_members || !read_at(dir, dir_size, dir_start)) {
        fail("cannot read the central directory");
        return EXIT_FAILED;
    }
    size_t pos = 0;
    int refused = 0;
    for (g_count = 0; g_count < total; ++g_count) {
        struct member* m = &g_members[g_count];
        if (dir_size - pos < 46 || le32(dir + pos) != SIG_CENTRAL) {
            fail("the archive is damaged (central directory entry %zu)", g_count + 1);
            return EXIT_REFUSED;
        }
        const unsigned char* h = dir + pos;
        size_t name_length = le16(h + 28);
        size_t entry = 46 + name_length + le16(h + 30) + le16(h + 32);
        if (entry > dir_size - pos) {
            fail("the archive is damaged (central directory entry %zu)", g_count + 1);
            return EXIT_REFUSED;
        }
        m->made_by = le16(h + 4);
        m->flags = le16(h + 8);
        m->method = le16(h + 10);
        m->crc = le32(h + 16);
        m->csize = le32(h + 20);
        m->usize = le32(h + 24);
        m->external = le32(h + 38);
        m->local = (uint64_t)le32(h + 42) + shift;
        m->name = malloc(name_length + 1);
        if (!m->name) {
            fail("out of memory");
            return EXIT_FAILED;
        }
        memcpy(m->name, h + 46, name_length);
        m->name[name_length] = '\0';
        pos += entry;
        const char* why = NULL;
        if (strlen(m->name) != name_length)
            why = "its name leaves the extraction directory";
        else
            why = host_name(m);
        for (char* c = m->name; *c; ++c)
            if (*c == '\\')
                *c = '/';
        size_t length = strlen(m->name);
        m->is_dir = length > 0 && m->name[length - 1] == '/';
        unsigned type = (m->external >> 16) & 0170000;
        if (why) {
            /* the encoding's reason stands */
        } else if (unsafe_name(m->name))
            why = "its name leaves the extraction directory";
        else if (host_refuses(m->name))
            why = "its name is not a valid file name here";
        else if ((m->made_by >> 8) == 3 && type == 0120000)
            why = "it is a link";
        else if ((m->made_by >> 8) == 3 && type != 0 && type != 0100000 && type != 0040000)
            why = "it is not a regular file";
        else if (m->flags & 1)
            why = "it is encrypted";
        else if (m->csize == 0xFFFFFFFFu || m->usize == 0xFFFFFFFFu || le32(h + 42) == 0xFFFFFFFFu)
            why = "ZIP64 members are not supported";
        else if (m->method != 0 && m->method != 8)
            why = "its compression method is not supported";
        else if (m->method == 0 && m->csize != m->usize)
            why = "its sizes disagree";
        else if (m->is_dir && m->usize != 0)
            why = "it is a directory with data";
        unsigned char local[30];
        if (!why) {
            if (!read_at(local, 30, m->local) || le32(local) != SIG_LOCAL)
                why = "its local header is missing";
            else {
                m->data = m->local + 30 + le16(local + 26) + le16(local + 28);
                if (m->data > dir_start || m->csize > dir_start - m->data)
                    why = "its data run past the archive";
            }
        }
        if (why) {
            fail("refused '%s': %s", m->name, why);
            refused = 1;
        }
    }
    free(dir);
    if (refused)
        return EXIT_REFUSED;
    /* No member's header and data may share bytes with another's. */
    struct member** order = malloc((g_count ? g_count : 1) * sizeof *order);
    if (!order) {
        fail("out of memory");
        return EXIT_FAILED;
    }
    for (size_t i = 0; i < g_count; ++i)
        order[i] = &g_members[i];
    qsort(order, g_count, sizeof *order, compare_local);
    for (size_t i = 1; i < g_count; ++i)
        if (order[i - 1]->data + order[i - 1]->csize > order[i]->local) {
            fail("refused '%s': it overlaps '%s'", order[i]->name, order[i - 1]->name);
            refused = 1;
        }
    free(order);
    return refused ? EXIT_REFUSED : EXIT_OK;
}

/* Hands one piece of a member's bytes on: size and CRC counted, written
 * to out (a descriptor, -1 for none) and kept (up to MAX_README bytes)
 * when keep is set. Returns NULL when good, else the reason. */
static const char* take_piece(const struct member* m, const unsigned char* piece, size_t length,
                              uint64_t* produced, uLong* crc, file_t out, char** keep,
                              size_t* kept) {
    if (length > m->usize - *produced)
        return "it inflates past its declared size";
    *produced += length;
    *crc = crc32(*crc, piece, (uInt)length);
    const char* why = out != NO_FILE ? write_all(out, piece, length) : NULL;
    if (why)
        return why;
    if (keep && *kept < MAX_README) {
        size_t take = length < MAX_README - *kept ? length : MAX_README - *kept;
        memcpy(*keep + *kept, piece, take);
        *kept += take;
    }
    return NULL;
}

/* Streams a member's bytes (see take_piece), then checks its size and CRC.
 * Returns NULL when good, else the reason. */
static const char* unpack(const struct member* m, file_t out, char** keep, size_t* kept) {
    static unsigned char in[65536], buffer[65536];
    z_stream z;
    memset(&z, 0, sizeof z);
    if (m->method == 8 && inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return "cannot start inflating";
    uint64_t offset = m->data, left = m->csize, produced = 0;
    uLong crc = crc32(0, Z_NULL, 0);
    const char* why = NULL;
    for (;;) {
        if (z.avail_in == 0 && left > 0) {
            size_t chunk = left < sizeof in ? (size_t)left : sizeof in;
            if (!read_at(in, chunk, offset)) {
                why = "read error";
                break;
            }
            offset += chunk;
            left -= chunk;
            z.next_in = in;
            z.avail_in = (uInt)chunk;
        }
        if (m->method == 0) {
            if (z.avail_in == 0)
                break;
            why = take_piece(m, in, z.avail_in, &produced, &crc, out, keep, kept);
            z.avail_in = 0;
            if (why)
                break;
            continue;
        }
        z.next_out = buffer;
        z.avail_out = sizeof buffer;
        int rc = inflate(&z, Z_NO_FLUSH);
        size_t length = sizeof buffer - z.avail_out;
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
            why = "its data are damaged";
            break;
        }
        why = take_piece(m, buffer, length, &produced, &crc, out, keep, kept);
        if (why || rc == Z_STREAM_END)
            break;
        if (length == 0 && z.avail_in == 0 && left == 0) {
            why = "its data end too soon";
            break;
        }
    }
    if (m->method == 8)
        inflateEnd(&z);
    if (!why && produced != m->usize)
        why = "it is shorter than its declared size";
    if (!why && crc != m->crc)
        why = "its CRC does not match";
    return why;
}

/* Asks a yes/no question on the terminal; "a" answers yes to every later
 * question. EOF answers no. */
static int ask_replace(const char* name) {
    if (g_yes || g_replace_all)
        return 1;
    char line[64];
    printf("Replace existing '%s'? [y]es, [n]o, [a]ll: ", name);
    fflush(stdout);
    if (!read_line(line, sizeof line))
        return 0;
    if (line[0] == 'a' || line[0] == 'A')
        g_replace_all = 1;
    return line[0] == 'y' || line[0] == 'Y' || g_replace_all;
}

static void show_readme(const char* name) {
    for (size_t i = 0; i < g_count; ++i) {
        struct member* m = &g_members[i];
        if (m->is_dir || strcmp(m->name, name) != 0)
            continue;
        char* text = malloc(MAX_README);
        size_t length = 0;
        if (text && unpack(m, NO_FILE, &text, &length) == NULL) {
            putchar('\n');
            show_text(text, length);
            if (length > 0 && text[length - 1] != '\n')
                putchar('\n');
        }
        free(text);
        return;
    }
}

static int usage(void) {
    fputs("usage: vorlnsfx [-d DIR] [-y] [--list | --test]\n", stderr);
    return EXIT_USAGE;
}

static int run(int argc, char** argv) {
    const char* target = NULL;
    int list = 0, test = 0;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "-d") == 0 && i + 1 < argc)
            target = argv[++i];
        else if (strcmp(argv[i], "-y") == 0)
            g_yes = 1;
        else if (strcmp(argv[i], "--list") == 0)
            list = 1;
        else if (strcmp(argv[i], "--test") == 0)
            test = 1;
        else
            return usage();
    }
    start_console();
    if (!open_self())
        return EXIT_FAILED;

    char company[300], unzip_path[300], readme[300];
    slot_text(sfx_register_slot, "Register", company, sizeof company);
    slot_text(sfx_unzip_path_slot, "UnzipPath", unzip_path, sizeof unzip_path);
    slot_text(sfx_readme_slot, "ReadmeFile", readme, sizeof readme);
    if (company[0]) {
        show_text(company, strlen(company));
        putchar('\n');
    }

    int rc = read_directory();
    if (rc != EXIT_OK)
        return rc;

    if (list || test) {
        int bad = 0;
        for (size_t i = 0; i < g_count; ++i) {
            struct member* m = &g_members[i];
            const char* why = test && !m->is_dir ? unpack(m, NO_FILE, NULL, NULL) : NULL;
            printf("%12llu  %s%s%s\n", (unsigned long long)m->usize, m->name, why ? ": " : "",
                   why ? why : "");
            bad |= why != NULL;
        }
        return bad ? EXIT_FAILED : EXIT_OK;
    }

    char answer[4096];
    if (!target) {
        const char* offer = unzip_path[0] ? unzip_path : ".";
        if (g_yes) {
            target = offer;
        } else {
            printf("Extract %zu member(s) to directory [%s]: ", g_count, offer);
            fflush(stdout);
            if (!read_line(answer, sizeof answer)) {
                putchar('\n');
                return EXIT_CANCELLED;
            }
            answer[strcspn(answer, "\r\n")] = '\0';
            target = answer[0] ? answer : offer;
        }
    }
    if (!open_target(target))
        return EXIT_FAILED;
    for (size_t i = 0; i < g_count; ++i) {
        rc = extract_one(&g_members[i]);
        if (rc != EXIT_OK)
            return rc;
    }
    if (readme[0])
        show_readme(readme);
    return EXIT_OK;
}

#ifdef _WIN32
/* Built with -municode: the arguments arrive in UTF-16 and are used as
 * UTF-8 like every other text. */
int wmain(int argc, wchar_t** wargv) {
    char** argv = calloc((size_t)argc + 1, sizeof *argv);
    for (int i = 0; argv && i < argc; ++i)
        if (!(argv[i] = narrow(wargv[i])))
            return EXIT_FAILED;
    return argv ? run(argc, argv) : EXIT_FAILED;
}
#else
int main(int argc, char** argv) {
    return run(argc, argv);
}
#endif
