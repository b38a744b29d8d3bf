// iolayer: file connections by unit number, in the manner of a file-unit runtime,
// plus the fixed-width text and number editing that every module shares.
//
// Nothing here throws: every operation that can fail returns a Status (or a bool
// for the field reads) that the caller tests; they are [[nodiscard]].
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace iolayer {

// ---------------------------------------------------------------------------
// Connections
// ---------------------------------------------------------------------------

enum class Status {
    ok,
    eof,    // sequential read past the last line
    error,  // any other failure (bad unit, not open, I/O error, short record...)
};

enum class Access { sequential, direct };
enum class Action { read, readwrite };
enum class Disposition { keep, remove };

inline constexpr std::int32_t minunit = 1;
inline constexpr std::int32_t maxunit = 99999;

// True for a unit number the layer accepts (1 to 99999).
bool validunit(std::int32_t unit);

// Opens an existing file. For direct access, reclen is the record length in bytes
// (at least 1). Fails when the unit is invalid or already connected, or the file
// does not exist or cannot be opened as asked.
[[nodiscard]] Status openexisting(std::int32_t unit, std::string_view path, Access access, Action action,
                                  std::int32_t reclen = 0);

// Creates a file, replacing one of the same name (replace = true) or failing when
// it exists (replace = false). The connection is opened for reading and writing.
[[nodiscard]] Status createfile(std::int32_t unit, std::string_view path, Access access, bool replace = true,
                                std::int32_t reclen = 0);

// Sequential text: reads the next line without its line end; a trailing carriage
// return is dropped, so CR LF files read as their text. Status::eof at the end.
[[nodiscard]] Status readline(std::int32_t unit, std::string& line);

// Sequential text: writes text followed by CR LF (buffered; errors may show at
// close, which then fails).
[[nodiscard]] Status writeline(std::int32_t unit, std::string_view text);

// Sequential text: writes lines, whole lines each ending in CR LF, as writeline
// would write them one after another: the same bytes, handed to the system at
// the same points, so that a failure shows after the same line. taken is the
// length of lines up to the end of the last line accepted: all of them, or on
// a failure up to and with the line whose write failed.
[[nodiscard]] Status writelines(std::int32_t unit, std::string_view lines, std::size_t& taken);

// Direct access: reads record n (1-based) into out, which holds at most one
// record; a record that is not in the file in full is a failed read. Reads are
// served from a block buffer, so consecutive records cost no system call each.
[[nodiscard]] Status readrecord(std::int32_t unit, std::int32_t n, std::span<std::byte> out);

// Direct access: reads count consecutive records from record first on into out,
// which must hold exactly count records. Fails unless every one is there in full.
[[nodiscard]] Status readrecords(std::int32_t unit, std::int32_t first, std::int32_t count, std::span<std::byte> out);

// Direct access: writes record n (1-based); data shorter than the record length is
// padded with zero bytes.
[[nodiscard]] Status writerecord(std::int32_t unit, std::int32_t n, std::span<const std::byte> data);

// Direct access: writes data as consecutive whole records from record n on, in
// one call; data.size() must be a multiple of the record length.
[[nodiscard]] Status writerecords(std::int32_t unit, std::int32_t n, std::span<const std::byte> data);

// Closes the unit, flushing what was written; with Disposition::remove the file is
// deleted. Fails for a unit that is not open, or when pending output cannot be
// written (the connection is closed in any case).
[[nodiscard]] Status closeunit(std::int32_t unit, Disposition disposition = Disposition::keep);

// Whether the unit is connected. Fails (Status::error) for an invalid unit number.
[[nodiscard]] Status inquireunit(std::int32_t unit, bool& isopen);

// Whether a file (of any kind) of that name exists.
bool fileexists(std::string_view path);

// Names of the regular files of dir (empty: the working directory) matching
// pattern, sorted in byte order. '?' matches one character, '*' any run;
// matching is case-sensitive.
[[nodiscard]] Status listfiles(std::string_view dir, std::string_view pattern, std::vector<std::string>& names);

// The wildcard match used by listfiles.
bool wildcardmatch(std::string_view pattern, std::string_view name);

// ---------------------------------------------------------------------------
// Advisory locks
// ---------------------------------------------------------------------------

// An exclusive advisory lock on a file that processes share by name: the holder
// may empty, rewrite and delete the file while the others wait for the lock.
// It lives on a descriptor of its own (flock), so opening and closing units on
// the file leave it in place, and the system drops it when the process ends.
class FileLock {
public:
    FileLock() = default;
    ~FileLock() { unlock(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Waits until this process holds the lock on the file of that name, creating
    // the file empty when it is missing. Should the holder it waited for have
    // deleted or replaced the file, it starts over on the file the name now
    // stands for. Fails, holding nothing, when the name is no regular file or
    // the file cannot be opened or locked. A lock already held is released first.
    [[nodiscard]] Status lock(std::string_view path);

    // Releases the lock; nothing when none is held.
    void unlock();

    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// ---------------------------------------------------------------------------
// Fixed-width text
// ---------------------------------------------------------------------------

// The text without its trailing blanks (only code 32 counts as padding).
std::string_view trimright(std::string_view text);

// The text without its leading blanks.
std::string_view trimleft(std::string_view text);

// Position of the last non-blank character (0 for an all-blank text).
std::size_t trimmedlength(std::string_view text);

// A text of exactly width characters: text cut or padded with blanks.
std::string padded(std::string_view text, std::size_t width);

// Stores text in a fixed-length field, keeping the field's size (cut or padded).
void assign(std::string& field, std::string_view text);

// ---------------------------------------------------------------------------
// Number editing (Fortran-style edit descriptors)
// ---------------------------------------------------------------------------

// Iw: right-aligned in w columns; w asterisks when it does not fit.
std::string formati(std::int64_t value, int width);

// I0: as many characters as the number needs.
std::string formati0(std::int64_t value);

// Iw.w: the digits zero-filled to w (a minus sign needs a column of its own);
// w asterisks when it does not fit.
std::string formatiz(std::int64_t value, int width);

// Fw.d: rounded to d decimals (exact halves away from zero), right-aligned in w
// columns. A value below zero that rounds to zero keeps its minus sign ("-0."),
// a zero of either sign has none. The leading zero before the point is dropped
// only when the field is too narrow for it. Not finite or too wide: w asterisks.
std::string formatf(double value, int width, int decimals);

// formati and formatf written into exactly width (>= 1) characters at dst, for hot
// loops that build whole lines; no terminator. Return dst + width.
char* editi(char* dst, std::int64_t value, int width);
char* editf(char* dst, double value, int width, int decimals);

// editf for F8.0, inline for single values. F8.0 is edited on four paths for
// speed: here, the many values at once of editf80s, editf's whole-number path
// and the 8-column placing of its field (format.cpp). A table's bytes must not
// depend on which one a value took, so all four round halves away from zero and
// right-align alike; the number fuzz target checks that they agree.
inline char* editf80(char* dst, double value) {
    // Values that round to at most seven digits, or six and a sign; the rest
    // (asterisks, non-finite values) take the general path.
    if (!(value > -999999.5 && value < 9999999.5)) return editf(dst, value, 8, 0);
    const bool negative = value < 0;
    const double magnitude = negative ? -value : value;
    auto whole = static_cast<std::uint32_t>(magnitude);
    if (magnitude - static_cast<double>(whole) >= 0.5) ++whole;  // halves away from zero
    char field[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', '.'};
    int i = 7;
    do {
        field[--i] = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    if (negative) field[--i] = '-';
    std::memcpy(dst, field, sizeof field);
    return dst + sizeof field;
}

// editf80 of every value, for the table writer: field i, the 8 characters of
// values[i], at fields + 8 * i (fields holds 8 * values.size() characters).
// The values of the usual range are edited side by side in vector registers.
void editf80s(std::span<const float> values, char* fields);

// F0.d: as formatf in the shortest width that holds the value, leading zero kept.
// Not finite: "Infinity", "-Infinity" or "NaN".
std::string formatf0(double value, int decimals);

// ---------------------------------------------------------------------------
// Fixed-column reads
// ---------------------------------------------------------------------------

// Reads an integer field: blanks anywhere count as nothing, an all-blank field is
// 0, an optional sign may precede the digits. Fails on any other character, on a
// sign without digits or on a value outside 32 bits.
[[nodiscard]] bool readint(std::string_view field, std::int32_t& value);

// Reads a real field as a fixed-point edit with the given implied decimals: blanks
// count as nothing, an all-blank field is 0; sign, digits, optional point, optional
// exponent (E, D or Q in either case with optional sign, or a bare signed
// exponent). A field without
// a point is scaled by 10^-decimals. Fails on anything else.
[[nodiscard]] bool readreal(std::string_view field, int decimals, float& value);

// The columns first to last (1-based, inclusive) of a line; columns beyond the end
// of the line read as blanks.
std::string columns(std::string_view line, std::size_t first, std::size_t last);

// Consecutive integer fields of the given widths, the first starting at column
// first (1-based), each read as readint does; columns beyond the end of the line
// read as blanks. Field i goes to values[i]. False at the first field that does
// not read (earlier fields are written), or when values is shorter than widths.
[[nodiscard]] bool readints(std::string_view line, std::size_t first, std::span<const std::size_t> widths,
                            std::span<std::int32_t> values);

// values.size() consecutive real fields of width columns each, the first starting
// at column first, each read as readreal does with the given implied decimals.
// False at the first field that does not read (earlier fields are written).
[[nodiscard]] bool readreals(std::string_view line, std::size_t first, std::size_t width, int decimals,
                             std::span<float> values);

}  // namespace iolayer
