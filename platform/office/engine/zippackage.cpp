#include "platform/office/engine/zippackage.h"

#include <zip.h>

#include <stdexcept>

namespace {
// Far above any slide show's XML; a larger part is not one LibreOffice wrote.
constexpr zip_uint64_t MostPartBytes = zip_uint64_t(256) << 20;
}  // namespace

void ZipPackage::Discard::operator()(zip* archive) const {
    zip_discard(archive);
}

ZipPackage::ZipPackage(const std::string& path, Access access) : path_(path) {
    int error = 0;
    archive_.reset(zip_open(path.c_str(), access == Access::ReadOnly ? ZIP_RDONLY : 0, &error));
    if (!archive_) {
        zip_error_t reason;
        zip_error_init_with_code(&reason, error);
        const std::string text = zip_error_strerror(&reason);
        zip_error_fini(&reason);
        throw std::runtime_error("\"" + path + "\" is no readable package (" + text + ")");
    }
}

ZipPackage::~ZipPackage() = default;

namespace {
// A part's reference as an entry name: "./" dropped; empty when it cannot
// name one (absolute, with a scheme).
std::string entryName(const std::string& reference) {
    std::string name = reference;
    while (name.rfind("./", 0) == 0) name.erase(0, 2);
    if (name.empty() || name[0] == '/' || name.find(':') != std::string::npos) return {};
    return name;
}
}  // namespace

bool ZipPackage::holdsFile(const std::string& reference) const {
    const std::string name = entryName(reference);
    return !name.empty() && name.back() != '/' &&
           zip_name_locate(archive_.get(), name.c_str(), 0) >= 0;
}

bool ZipPackage::holds(const std::string& reference) const {
    const std::string name = entryName(reference);
    if (name.empty()) return false;
    if (zip_name_locate(archive_.get(), name.c_str(), 0) >= 0) return true;
    const std::string folder = name.back() == '/' ? name : name + "/";
    for (const std::string& entry : entries())
        if (entry.rfind(folder, 0) == 0) return true;
    return false;
}

std::vector<std::string> ZipPackage::entries() const {
    std::vector<std::string> names;
    const zip_int64_t count = zip_get_num_entries(archive_.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i)
        if (const char* entry = zip_get_name(archive_.get(), zip_uint64_t(i), 0))
            names.emplace_back(entry);
    return names;
}

std::string ZipPackage::read(const std::string& name) const {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive_.get(), name.c_str(), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) ||
        stat.size > MostPartBytes)
        return {};
    zip_file_t* file = zip_fopen(archive_.get(), name.c_str(), 0);
    if (!file) return {};
    std::string text(size_t(stat.size), '\0');
    zip_uint64_t done = 0;
    while (done < stat.size) {
        const zip_int64_t got = zip_fread(file, text.data() + done, stat.size - done);
        if (got <= 0) break;
        done += zip_uint64_t(got);
    }
    zip_fclose(file);
    if (done != stat.size) return {};
    return text;
}

void ZipPackage::replace(const std::string& name, std::string text) {
    kept_.push_back(std::make_unique<std::string>(std::move(text)));
    const std::string& kept = *kept_.back();
    zip_source_t* source = zip_source_buffer(archive_.get(), kept.data(), kept.size(), 0);
    if (!source || zip_file_add(archive_.get(), name.c_str(), source, ZIP_FL_OVERWRITE) < 0) {
        if (source) zip_source_free(source);
        throw std::runtime_error("\"" + path_ + "\": " + name + " cannot be replaced (" +
                                 zip_strerror(archive_.get()) + ")");
    }
}

std::string ZipPackage::write() {
    if (zip_close(archive_.get()) != 0) return zip_strerror(archive_.get());
    (void)archive_.release();  // closed: nothing left to discard
    return {};
}
