#include "platform/office/engine/officeengine.h"

#include <LibreOfficeKit/LibreOfficeKitInit.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>
#include <utility>
#include <vector>

#include "platform/office/documentkind.h"
#include "platform/office/engine/bmpwriter.h"
#include "platform/office/engine/builtindeck.h"
#include "platform/office/engine/decklinks.h"
#include "platform/office/engine/fileurl.h"
#include "platform/office/engine/lokclock.h"
#include "platform/office/engine/packagelinks.h"
#include "platform/office/engine/profilesettings.h"
#include "platform/office/engine/zippackage.h"
#include "platform/office/slidefactsfile.h"
#include "platform/office/versionreport.h"
#include "util/ownedfd.h"
#include "util/slidefilename.h"
#include "util/systemerror.h"

static const char* const CompleteMark = "quillmoor-complete";

// LibreOfficeKit sets the macro security level at every load, to a low one
// unless told: the profile's highest level would be lost at the first load.
static const char* const LoadOptions = "MacroSecurityLevel=3";

static std::string inQuotes(const std::string& path) {
    return "\"" + path + "\"";
}

static std::string lowerCase(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

static std::string errnoText(int error) {
    std::string text = SystemErrorText(error);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z' && text.size() > 1 &&
        !(text[1] >= 'A' && text[1] <= 'Z'))
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

// Pixels at 96 per inch of a length in twips, rounded to an even number.
static int evenPixels(long twips) {
    const long pixels = std::lround(static_cast<double>(twips) * 96.0 / 1440.0 / 2.0) * 2;
    return static_cast<int>(pixels < 2 ? 2 : pixels);
}

// Wider than this most codecs refuse the picture and the buffer grows past reason.
constexpr long long MostPixelsWide = 16384;
// At 96 pixels per inch a page of several metres would take gigabytes: no
// more pixels than the highest painting height allows at that width.
constexpr long long MostPixels = MostPixelsWide * 4320;

// A slide's picture size: 96 pixels per inch of the slide when `height` is 0,
// else `height` pixels high and as wide as the slide's proportions give,
// rounded to an even number.
static std::pair<long long, int> slidePixels(long widthTwips, long heightTwips, int height) {
    if (height == 0) return {evenPixels(widthTwips), evenPixels(heightTwips)};
    const long long across = static_cast<long long>(widthTwips) * height;
    const long long down = heightTwips > 0 ? heightTwips : 1;
    const long long width = (across + down) / (2 * down) * 2;
    return {width < 2 ? 2 : width, height};
}

// Impress outlines the page with a hairline in its first pixel row and column
// (the edit view's page border); a slide has no such line, so those pixels
// take the colour of their inner neighbours.
static void hidePageBorder(std::span<unsigned char> pixels, int width, int height) {
    if (width < 2 || height < 2) return;
    const size_t stride = static_cast<size_t>(width) * 4;
    std::memcpy(pixels.data(), pixels.data() + stride, stride);
    for (int y = 0; y < height; ++y) std::memcpy(&pixels[y * stride], &pixels[y * stride + 4], 4);
}

void RequireOffice(const std::string& programFolder) {
    struct stat info {};
    if (::stat((programFolder + "/libmergedlo.so").c_str(), &info) != 0 &&
        ::stat((programFolder + "/libsofficeapp.so").c_str(), &info) != 0)
        throw EngineError("LibreOffice was not found in " + programFolder);
}

void PrepareProfile(const std::string& programFolder, const std::string& profileFolder) {
    // An engine killed while LibreOffice created the profile leaves half of
    // one; only a profile that once started completely is reused.
    std::error_code ignored;
    if (!std::filesystem::exists(profileFolder + "/" + CompleteMark, ignored))
        std::filesystem::remove_all(profileFolder, ignored);
    const std::string prepared =
        PrepareProfileSettings(profileFolder, ReadOfficeSetup(programFolder));
    if (!prepared.empty())
        throw EngineError("The LibreOffice profile cannot be prepared: " + prepared);
}

void UseTemporaryFolderIn(const std::string& profileFolder) {
    // LibreOffice keeps a temporary folder that only its own teardown
    // removes, and engines end without it: give it one inside the held
    // profile, emptied here of whatever an earlier engine left.
    const std::filesystem::path temporary = std::filesystem::path(profileFolder) / "tmp";
    std::error_code ignored;
    std::filesystem::remove_all(temporary, ignored);
    std::filesystem::create_directories(temporary, ignored);
    for (const char* name : {"TMPDIR", "TMP", "TEMP"}) ::setenv(name, temporary.c_str(), 1);
}

bool ProfileComplete(const std::string& profileFolder) {
    std::error_code ignored;
    return std::filesystem::exists(profileFolder + "/" + CompleteMark, ignored);
}

void MarkProfileComplete(const std::string& profileFolder) {
    std::ofstream(profileFolder + "/" + CompleteMark) << "LibreOffice started with this profile\n";
}

std::string ProfileUrl(const std::string& profileFolder) {
    // A path URL, so no escaping is needed.
    return "vnd.sun.star.pathname:" + profileFolder;
}

OfficeEngine::OfficeEngine(const std::string& programFolder, const std::string& profileFolder) {
    RequireOffice(programFolder);
    // An engine lives for one presentation: memory freed between slides stays
    // with it instead of going back to the system to be faulted in again.
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 1 << 30);
    {
        LokClock clock("start");
        office_.reset(lok::lok_cpp_init(programFolder.c_str(), ProfileUrl(profileFolder).c_str()));
    }
    if (!office_) throw EngineError("LibreOffice in " + programFolder + " could not be started");
    // Engines forked from one parent share the profile: each warms with a file of its own.
    warmPath_ = profileFolder + "/tmp/quillmoor-warm-" + std::to_string(::getpid()) + ".fodp";
    scratch_ = profileFolder + "/tmp/quillmoor-links-" + std::to_string(::getpid());
}

// LibreOffice's own teardown is slow and saves nothing we need; the helper
// ends with _Exit instead, so this only runs when an engine is dropped early.
OfficeEngine::~OfficeEngine() = default;

std::string OfficeEngine::lastError() {
    char* error = office_->getError();
    std::string text = error ? error : "";
    if (error) office_->freeError(error);
    return text;
}

std::unique_ptr<lok::Document> OfficeEngine::load(const std::string& path) {
    const std::string name = inQuotes(path);
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) throw EngineError("Cannot open " + name + ": the file does not exist");
        throw EngineError("Cannot open " + name + ": " + errnoText(errno));
    }
    if (S_ISDIR(info.st_mode)) throw EngineError("Cannot open " + name + ": it is a folder");
    if (!S_ISREG(info.st_mode))
        throw EngineError("Cannot open " + name + ": it is not a regular file");
    if (info.st_size == 0) throw EngineError("Cannot open " + name + ": the file is empty");
    {
        OwnedFd readable(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (!readable.valid()) throw EngineError("Cannot open " + name + ": " + errnoText(errno));
    }
    std::unique_ptr<lok::Document> document;
    {
        LokClock clock("load");
        document.reset(office_->documentLoad(FileUrl(path).c_str(), LoadOptions));
    }
    if (!document) {
        const std::string kind = OtherDocumentKind(path);
        if (!kind.empty())
            throw EngineError("Cannot open " + name + ": not a presentation (" + kind + ")");
        std::string reason = lastError();
        // LibreOffice's words when its loader gives up say nothing more than ours.
        if (reason == "loadComponentFromURL returned an empty reference") reason.clear();
        throw EngineError(
            "Cannot open " + name +
            ": LibreOffice cannot read it (damaged, protected by a password, or not a document it knows" +
            (reason.empty() ? std::string(")") : "; " + reason + ")"));
    }
    return document;
}

int OfficeEngine::open(const std::string& path) {
    close();
    closed_.reset();
    std::unique_ptr<lok::Document> document = load(path);
    switch (document->getDocumentType()) {
        case LOK_DOCTYPE_PRESENTATION:
        case LOK_DOCTYPE_DRAWING:
            break;
        case LOK_DOCTYPE_TEXT:
            throw EngineError("Cannot open " + inQuotes(path) +
                              ": not a presentation (a text document)");
        case LOK_DOCTYPE_SPREADSHEET:
            throw EngineError("Cannot open " + inQuotes(path) +
                              ": not a presentation (a spreadsheet)");
        default:
            throw EngineError("Cannot open " + inQuotes(path) + ": not a presentation");
    }
    linksLeftOut_.clear();
    if (document->getDocumentType() == LOK_DOCTYPE_PRESENTATION)
        if (std::unique_ptr<lok::Document> clean = withoutForeignLinks(*document, path))
            document = std::move(clean);
    const int parts = document->getParts();
    if (parts < 1) throw EngineError("Cannot open " + inQuotes(path) + ": it has no slides");
    document_ = std::move(document);
    path_ = path;
    return parts;
}

namespace {
struct RemovedFiles {
    std::vector<std::string> files;
    ~RemovedFiles() {
        for (const std::string& file : files) std::remove(file.c_str());
    }
};
}  // namespace

static std::string readWhole(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// LibreOffice follows no link of a deck (the profile blocks them all), so the
// deck is loaded as it is and saved as Flat ODP, where LibreOffice names every
// link in one form. A deck without links stays as loaded; one with links is
// loaded again from a copy whose allowed links name their real files and
// whose other links are gone, from the engine's own folder, where links are
// followed.
std::unique_ptr<lok::Document> OfficeEngine::withoutForeignLinks(lok::Document& document,
                                                                 const std::string& path) {
    const std::string name = inQuotes(path);
    const std::string saved = scratch_ + ".fodp";
    const std::string clean = scratch_ + "-clean.fodp";
    RemovedFiles remove{{saved, clean}};
    {
        LokClock clock("links");
        // Most decks show in their own parts that they link to nothing; the
        // copy below costs more than loading some of them.
        if (!MayLinkOutside(path)) return nullptr;
        // LibreOffice cannot put some media (a sound, a video) into one flat file.
        if (!document.saveAs(FileUrl(saved).c_str(), "fodp"))
            return packageWithoutForeignLinks(document, path);
    }
    const std::string text = readWhole(saved);
    const LinkScan scan = ScanDeckLinks(text);
    if (!scan.error.empty())
        throw EngineError("Cannot open " + name + ": its links cannot be checked (" + scan.error +
                          ")");
    if (scan.links.empty()) return nullptr;
    const std::vector<LinkVerdict> verdicts = judgeLinks(scan, saved, path);
    {
        std::ofstream out(clean, std::ios::binary | std::ios::trunc);
        out << RewriteDeckLinks(text, scan, verdicts);
        if (!out.flush()) throw EngineError("Cannot write " + inQuotes(clean));
    }
    return reload(clean, path);
}

// The same for a deck saved as an ODF package, whose parts may also name the
// package's own files, which are no links.
std::unique_ptr<lok::Document> OfficeEngine::packageWithoutForeignLinks(lok::Document& document,
                                                                        const std::string& path) {
    const std::string name = inQuotes(path);
    const std::string saved = scratch_ + ".odp";
    RemovedFiles remove{{saved}};
    if (!document.saveAs(FileUrl(saved).c_str(), "odp"))
        throw EngineError("Cannot open " + name + ": its links cannot be checked (" + lastError() +
                          ")");
    bool changed = false;
    try {
        ZipPackage package(saved);
        for (const char* part : {"content.xml", "styles.xml"}) {
            const std::string text = package.read(part);
            if (text.empty() && std::string(part) == "content.xml")
                throw EngineError("Cannot open " + name + ": its links cannot be checked (" + part +
                                  " cannot be read)");
            LinkScan scan = ScanDeckLinks(text);
            if (!scan.error.empty())
                throw EngineError("Cannot open " + name + ": its links cannot be checked (" +
                                  scan.error + ")");
            std::erase_if(scan.links,
                          [&](const DeckLink& link) { return package.holds(link.target); });
            if (scan.links.empty()) continue;
            // A package is a folder to its own relative links: "../" leads out of it.
            LinkScan judged = scan;
            for (DeckLink& link : judged.links)
                if (link.target.rfind("../", 0) == 0) link.target.erase(0, 3);
            package.replace(part, RewriteDeckLinks(text, scan, judgeLinks(judged, saved, path)));
            changed = true;
        }
        if (!changed) return nullptr;
        if (const std::string error = package.write(); !error.empty())
            throw EngineError("Cannot write " + inQuotes(saved) + ": " + error);
    } catch (const std::runtime_error& error) {
        if (dynamic_cast<const EngineError*>(&error)) throw;
        throw EngineError("Cannot open " + name + ": its links cannot be checked (" + error.what() +
                          ")");
    }
    return reload(saved, path);
}

std::vector<LinkVerdict> OfficeEngine::judgeLinks(const LinkScan& scan, const std::string& saved,
                                                  const std::string& path) {
    const std::string base = std::filesystem::path(saved).parent_path().string();
    char* real =
        ::realpath(std::filesystem::path(AbsolutePath(path)).parent_path().c_str(), nullptr);
    const std::string deckFolder = real ? real : "";
    std::free(real);
    std::vector<LinkVerdict> verdicts;
    for (const DeckLink& link : scan.links) {
        verdicts.push_back(JudgeLink(link.target, base, deckFolder, everyLocalFile_));
        const LinkVerdict& verdict = verdicts.back();
        if (!verdict.allowed)
            linksLeftOut_.push_back("Left out the " + link.kind + " linked to " +
                                    inQuotes(verdict.named) + ": " + verdict.reason);
    }
    return verdicts;
}

std::unique_ptr<lok::Document> OfficeEngine::reload(const std::string& copy,
                                                    const std::string& path) {
    std::unique_ptr<lok::Document> reloaded;
    {
        LokClock clock("load");
        reloaded.reset(office_->documentLoad(FileUrl(copy).c_str(), LoadOptions));
    }
    if (!reloaded)
        throw EngineError("Cannot open " + inQuotes(path) +
                          ": its copy without foreign links cannot be read (" + lastError() + ")");
    return reloaded;
}

int OfficeEngine::slideCount() const {
    if (!document_) throw EngineError("no presentation is open");
    return document_->getParts();
}

int OfficeEngine::saveBitmaps(const std::string& target, bool facts) {
    if (!document_) throw EngineError("no presentation is open");
    const std::string name = inQuotes(target);
    if (target.size() < 5 || lowerCase(target.substr(target.size() - 4)) != ".bmp")
        throw EngineError("Cannot save " + name + ": the target must end in .bmp");
    const std::string folder = target.substr(0, target.size() - 4);
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
        throw EngineError("Cannot save " + name + ": the folder " + inQuotes(folder) +
                          " cannot be created (" + errnoText(errno) + ")");
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        throw EngineError("Cannot save " + name + ": " + inQuotes(folder) + " is not a folder");

    document_->initializeForRendering("");
    const bool bgra = document_->getTileMode() == LOK_TILEMODE_BGRA;
    const int parts = document_->getParts();
    for (int part = 0; part < parts; ++part) {
        document_->setPart(part);
        long widthTwips = 0;
        long heightTwips = 0;
        document_->getDocumentSize(&widthTwips, &heightTwips);
        const auto [across, height] = slidePixels(widthTwips, heightTwips, slideHeight_);
        if (slideHeight_ > 0 && across > MostPixelsWide)
            throw EngineError("Cannot paint slide " + std::to_string(part + 1) + " of " +
                              inQuotes(path_) + " " + std::to_string(height) +
                              " pixels high: it would be more than " +
                              std::to_string(MostPixelsWide) + " pixels wide");
        if (slideHeight_ == 0 &&
            (across > MostPixelsWide || height > MostPixelsWide || across * height > MostPixels))
            throw EngineError("Cannot paint slide " + std::to_string(part + 1) + " of " +
                              inQuotes(path_) + ": at 96 pixels per inch it would be " +
                              std::to_string(across) + " x " + std::to_string(height) +
                              " pixels, more than " + std::to_string(MostPixelsWide) +
                              " on a side or " + std::to_string(MostPixels) + " in all");
        const int width = static_cast<int>(across);
        // Some slides are painted onto what the buffer holds: it starts clear,
        // or the slide before would show through.
        const std::span<unsigned char> pixels =
            painted_.take(static_cast<size_t>(width) * height * 4);
        std::fill(pixels.begin(), pixels.end(), 0);
        // Painted straight at the target size: no scaling pass afterwards.
        {
            LokClock clock("paint");
            document_->paintTile(pixels.data(), width, height, 0, 0, static_cast<int>(widthTwips),
                                 static_cast<int>(heightTwips));
        }
        hidePageBorder(pixels, width, height);
        const std::string file = folder + "/" + SlideFileName(part + 1);
        LokClock clock("bitmap");
        const std::string error =
            WriteSlideBitmap(file, pixels.data(), width, height, bgra, bitmapFile_);
        if (!error.empty()) throw EngineError("Cannot write " + inQuotes(file) + ": " + error);
    }
    if (facts) saveFacts(folder);
    return parts;
}

// After painting, so the copy cannot touch the pixels; LibreOfficeKit stores a
// copy and leaves the open document as it was.
void OfficeEngine::saveFacts(const std::string& folder) {
    const std::string file = folder + "/" + SlideFactsFileName;
    ::unlink(file.c_str());
    // A drawing (a PDF too) has no timings, hidden pages, notes or sounds, and
    // LibreOffice cannot store one it imported: its pages alone say so, flat.
    if (document_->getDocumentType() == LOK_DOCTYPE_DRAWING) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
               " xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\">"
               "<office:body><office:drawing>";
        for (int page = 0; page < document_->getParts(); ++page) out << "<draw:page/>";
        out << "</office:drawing></office:body></office:document>\n";
        if (!out.flush()) throw EngineError("Cannot write " + inQuotes(file));
        return;
    }
    const char* format = "odp";
    LokClock clock("facts");
    if (!document_->saveAs(FileUrl(file).c_str(), format))
        throw EngineError("Cannot save the slides' timings and notes of " + inQuotes(path_) + ": " +
                          lastError());
}

void OfficeEngine::close() {
    closed_ = std::move(document_);
    path_.clear();
}

void OfficeEngine::warm() {
    LokClock clock("warm");
    {
        std::ofstream out(warmPath_, std::ios::binary | std::ios::trunc);
        out << BuiltinDeck;
        if (!out.flush()) throw EngineError("Cannot write " + inQuotes(warmPath_));
    }
    std::unique_ptr<lok::Document> document(
        office_->documentLoad(FileUrl(warmPath_).c_str(), LoadOptions));
    std::remove(warmPath_.c_str());
    if (!document)
        throw EngineError("LibreOffice cannot load a presentation (" + lastError() + ")");
    if (document->getDocumentType() != LOK_DOCTYPE_PRESENTATION)
        throw EngineError("LibreOffice opened a presentation as another kind of document");
    document->initializeForRendering("");
    std::vector<unsigned char> pixels(64 * 48 * 4);
    document->setPart(0);
    long width = 0;
    long height = 0;
    document->getDocumentSize(&width, &height);
    document->paintTile(pixels.data(), 64, 48, 0, 0, static_cast<int>(width),
                        static_cast<int>(height));
}

void OfficeEngine::convert(const std::string& input, const std::string& output) {
    close();
    closed_.reset();
    std::unique_ptr<lok::Document> document = load(input);
    const size_t dot = output.find_last_of("./");
    if (dot == std::string::npos || output[dot] != '.')
        throw EngineError("Cannot save " + inQuotes(output) +
                          ": the name has no extension to tell the format");
    const std::string format = lowerCase(output.substr(dot + 1));
    if (!document->saveAs(FileUrl(output).c_str(), format.c_str()))
        throw EngineError("Cannot save " + inQuotes(output) + ": " + lastError());
}
