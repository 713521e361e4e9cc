#pragma once

#include <memory>
#include <string>
#include <vector>

struct zip;

// A zip package (ODF, Office Open XML), opened to read its parts and, when
// opened for it, replace them.
class ZipPackage {
  public:
    enum class Access { ReadOnly, ReadWrite };
    // Throws std::runtime_error naming the file when it is no readable package.
    explicit ZipPackage(const std::string& path, Access access = Access::ReadWrite);
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    // Whether `reference` (as a part links to it: "Media/a.wav", "./Object 1")
    // names a file or folder inside the package.
    bool holds(const std::string& reference) const;
    // Whether `reference` names one of its files (not a folder).
    bool holdsFile(const std::string& reference) const;
    // The names of all its entries, in the package's order.
    std::vector<std::string> entries() const;
    // Part `name`'s bytes; empty when the package lacks it or it is too large.
    std::string read(const std::string& name) const;
    // Puts `text` in place of part `name` when the package is written.
    void replace(const std::string& name, std::string text);
    // Writes the replacements into the file; "" or why not.
    std::string write();

  private:
    struct Discard {
        void operator()(zip* archive) const;
    };
    std::unique_ptr<zip, Discard> archive_;
    std::string path_;
    std::vector<std::unique_ptr<std::string>> kept_;  // replacements, alive until written
};
