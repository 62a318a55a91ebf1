// One loaded library file and the lookup of its exports by name.
//
// A shared file is the process's one instance of that library (QLibrary). A private file is a
// second instance with its own state: on Linux with the GNU C library it is loaded into a link
// namespace of its own (dlmopen); elsewhere a copy of the file in a temporary folder is loaded,
// which the system treats as a different library.
#pragma once

#include <memory>

#include <QString>

class LibraryFile {
  public:
    virtual ~LibraryFile() = default;

    static std::unique_ptr<LibraryFile> shared();
    static std::unique_ptr<LibraryFile> privateInstance();

    // Loads `path`; false with errorString() set when it cannot be loaded.
    virtual bool load(const QString &path) = 0;
    virtual bool isLoaded() const = 0;
    virtual QFunctionPointer resolve(const char *name) = 0;
    virtual QString fileName() const = 0;
    virtual QString errorString() const = 0;
};
