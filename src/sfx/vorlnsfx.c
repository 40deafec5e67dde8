/* vorlnsfx: the loader of Vorlane's self-extracting archives.
 *
 * ZipToExe copies this program, fills its three text slots and appends a
 * zip archive to the copy. Run, the program reads the archive behind its
 * own bytes (/proc/self/exe), shows the company text, asks where to
 * extract (offering the default directory of its slot), extracts every
 * member and shows the start-up text file its slot names. It never runs
 * anything it extracts.
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
 * Built without the program's modules and linked statically with zlib, so
 * that a self-extractor runs on a machine with nothing installed. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
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

static int g_fd = -1;
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

/* Reads exactly size bytes at offset; 0 on a short read or past the end. */
static int read_at(void* buffer, size_t size, uint64_t offset) {
    if (offset > g_size || size > g_size - offset)
        return 0;
    size_t done = 0;
    while (done < size) {
        ssize_t got = pread(g_fd, (char*)buffer + done, size - done, (off_t)(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
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
        for (size_t i = 0; i < name_length; ++i)
            if (m->name[i] == '\\')
                m->name[i] = '/';
        m->is_dir = name_length > 0 && m->name[name_length - 1] == '/';
        unsigned type = (m->external >> 16) & 0170000;
        const char* why = NULL;
        if (strlen(m->name) != name_length || unsafe_name(m->name))
            why = "its name leaves the extraction directory";
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
                              uint64_t* produced, uLong* crc, int out, char** keep, size_t* kept) {
    if (length > m->usize - *produced)
        return "it inflates past its declared size";
    *produced += length;
    *crc = crc32(*crc, piece, (uInt)length);
    size_t written = 0;
    while (out >= 0 && written < length) {
        ssize_t n = write(out, piece + written, length - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return strerror(errno ? errno : EIO);
        written += (size_t)n;
    }
    if (keep && *kept < MAX_README) {
        size_t take = length < MAX_README - *kept ? length : MAX_README - *kept;
        memcpy(*keep + *kept, piece, take);
        *kept += take;
    }
    return NULL;
}

/* Streams a member's bytes (see take_piece), then checks its size and CRC.
 * Returns NULL when good, else the reason. */
static const char* unpack(const struct member* m, int out, char** keep, size_t* kept) {
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
    if (!fgets(line, sizeof line, stdin))
        return 0;
    if (line[0] == 'a' || line[0] == 'A')
        g_replace_all = 1;
    return line[0] == 'y' || line[0] == 'Y' || g_replace_all;
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

static int extract_one(int root, struct member* m) {
    char* base;
    int dir = walk_to_parent(root, m->name, &base, m->is_dir);
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

static void show_readme(const char* name) {
    for (size_t i = 0; i < g_count; ++i) {
        struct member* m = &g_members[i];
        if (m->is_dir || strcmp(m->name, name) != 0)
            continue;
        char* text = malloc(MAX_README);
        size_t length = 0;
        if (text && unpack(m, -1, &text, &length) == NULL) {
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

int main(int argc, char** argv) {
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
    g_fd = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (g_fd < 0 || fstat(g_fd, &st) != 0) {
        fail("cannot read this program: %s", strerror(errno));
        return EXIT_FAILED;
    }
    g_size = (uint64_t)st.st_size;

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
            const char* why = test && !m->is_dir ? unpack(m, -1, NULL, NULL) : NULL;
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
            if (!fgets(answer, sizeof answer, stdin)) {
                putchar('\n');
                return EXIT_CANCELLED;
            }
            answer[strcspn(answer, "\r\n")] = '\0';
            target = answer[0] ? answer : offer;
        }
    }
    if (mkdir(target, 0755) != 0 && errno != EEXIST) {
        fail("cannot make '%s': %s", target, strerror(errno));
        return EXIT_FAILED;
    }
    int root = open(target, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0) {
        fail("cannot open '%s': %s", target, strerror(errno));
        return EXIT_FAILED;
    }
    for (size_t i = 0; i < g_count; ++i) {
        rc = extract_one(root, &g_members[i]);
        if (rc != EXIT_OK)
            return rc;
    }
    close(root);
    if (readme[0])
        show_readme(readme);
    return EXIT_OK;
}
