#pragma once

#include <memory>
#include <string>
#include <vector>

struct zip;

// An ODF package LibreOffice saved, opened to read and replace its XML parts.
class OdfPackage {
  public:
    // Throws std::runtime_error naming the file when it is no readable package.
    explicit OdfPackage(const std::string& path);
    ~OdfPackage();
    OdfPackage(const OdfPackage&) = delete;
    OdfPackage& operator=(const OdfPackage&) = delete;

    // Whether `reference` (as a part links to it: "Media/a.wav", "./Object 1")
    // names a file or folder inside the package.
    bool holds(const std::string& reference) const;
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
