#pragma once

// A process-wide store of INI files, shaped after the classic private-profile
// calls. Each file is parsed once into a cache of 32 files and re-read only
// when it changed on disk; every change rewrites the whole file through a
// temporary file and a rename, so the file on disk is always complete.
//
// Sections and keys match regardless of ASCII letter case; a file keeps the
// letter case under which a section or key was first written. Several
// processes may write one file at the same time: writers take turns through
// the lock file ".<name>.lock" next to it and apply their change to the file
// as it is on disk, so no process drops the keys of another.
//
// Any thread may call these; one process-wide lock serialises them.

// Copies the value of `key` in `section` into `out`, or `defaultValue` (null
// reads as "") when the section, the key or the file is missing. Blanks and
// tabs around the value and one pair of enclosing quotes (" or ') are
// dropped. At most outSize - 1 bytes are copied and `out` is always
// zero-terminated. Returns the number of bytes copied; 0 without touching
// `out` when `out` is null or outSize <= 0.
int GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                            char* out, int outSize, const char* path);

// Sets `key` in `section` to `value`, creating the section if needed; a null
// `value` deletes the key, a null `key` deletes the whole section. Writing the
// value a key already holds leaves the file untouched. Returns false, changing
// nothing, when `section` or `path` is null or empty, `key` is empty, or a
// name or value cannot be stored in the file format (a line break anywhere, a
// "]" in the section, a "=" in the key, a key starting with a blank or "[");
// otherwise true, also when the file could not be rewritten (the cached copy
// then keeps the change until the file changes on disk).
bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* path);

// Replaces the keys of `section` by `entries`: zero-terminated "key=value"
// texts one after another, ended by an empty text (null counts as empty).
// Entries without "=", starting with "=" or not storable are skipped. An
// existing section stays in the file even when it ends up empty; a missing
// section with no entries is not created. Returns false when `section` or
// `path` is null or empty or the section name is not storable, else true.
bool WritePrivateProfileSection(const char* section, const char* entries, const char* path);
