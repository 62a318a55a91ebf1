#include "library_file.h"

#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QTemporaryDir>

#if defined(__GLIBC__)
#include <dlfcn.h>
#endif

namespace {

class SharedFile final : public LibraryFile {
  public:
    bool load(const QString &path) override {
        library_.setFileName(path);
        return library_.load();
    }
    bool isLoaded() const override { return library_.isLoaded(); }
    QFunctionPointer resolve(const char *name) override { return library_.resolve(name); }
    QString fileName() const override { return library_.fileName(); }
    QString errorString() const override { return library_.errorString(); }

  private:
    QLibrary library_;
};

#if defined(__GLIBC__)

// A link namespace of its own: the library and what it needs are loaded once more, sharing no
// global state with the process's instance.
class NamespaceFile final : public LibraryFile {
  public:
    bool load(const QString &path) override {
        handle_ = dlmopen(LM_ID_NEWLM, QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_) {
            const char *error = dlerror();
            error_ =
                error ? QString::fromLocal8Bit(error) : QStringLiteral("%1: not loaded").arg(path);
            return false;
        }
        fileName_ = path;
        return true;
    }
    bool isLoaded() const override { return handle_ != nullptr; }
    QFunctionPointer resolve(const char *name) override {
        return handle_ ? reinterpret_cast<QFunctionPointer>(dlsym(handle_, name)) : nullptr;
    }
    QString fileName() const override { return fileName_; }
    QString errorString() const override { return error_; }

  private:
    void *handle_ = nullptr; // stays loaded until the process ends, as QLibrary's files do
    QString fileName_;
    QString error_;
};

#else

// A copy under another path, which the system loads as a library of its own.
class CopiedFile final : public LibraryFile {
  public:
    bool load(const QString &path) override {
        if (!folder_.isValid()) {
            error_ = QStringLiteral("no temporary folder for a copy of %1").arg(path);
            return false;
        }
        const QString copy = folder_.filePath(QFileInfo(path).fileName());
        if (!QFileInfo::exists(copy) && !QFile::copy(path, copy)) {
            error_ = QStringLiteral("%1 could not be copied to %2").arg(path, copy);
            return false;
        }
        library_.setFileName(copy);
        if (!library_.load()) {
            error_ = library_.errorString();
            return false;
        }
        return true;
    }
    bool isLoaded() const override { return library_.isLoaded(); }
    QFunctionPointer resolve(const char *name) override { return library_.resolve(name); }
    QString fileName() const override { return library_.fileName(); }
    QString errorString() const override { return error_; }

  private:
    QTemporaryDir folder_;
    QLibrary library_;
    QString error_;
};

#endif

} // namespace

std::unique_ptr<LibraryFile> LibraryFile::shared() {
    return std::make_unique<SharedFile>();
}

std::unique_ptr<LibraryFile> LibraryFile::privateInstance() {
#if defined(__GLIBC__)
    return std::make_unique<NamespaceFile>();
#else
    return std::make_unique<CopiedFile>();
#endif
}
