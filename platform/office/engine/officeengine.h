#pragma once

#include <LibreOfficeKit/LibreOfficeKit.hxx>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/office/engine/decklinks.h"
#include "platform/office/engine/pagebuffer.h"

// A failure of the engine, with the description the program shows.
class EngineError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Throws EngineError when `programFolder` holds no LibreOffice.
void RequireOffice(const std::string& programFolder);
// Makes `profileFolder` ready for LibreOffice: a half-created one is started
// afresh, and the settings and first-start record the engine needs are
// stored. Throws EngineError.
void PrepareProfile(const std::string& programFolder, const std::string& profileFolder);
// Points this process's temporary files into `profileFolder`/tmp, emptied.
void UseTemporaryFolderIn(const std::string& profileFolder);
// Whether LibreOffice once started completely with the profile.
bool ProfileComplete(const std::string& profileFolder);
void MarkProfileComplete(const std::string& profileFolder);
std::string ProfileUrl(const std::string& profileFolder);

// LibreOfficeKit in this process, initialised once, holding at most one
// presentation. Every failure is an EngineError naming the file and reason.
class OfficeEngine {
  public:
    // Starts LibreOffice on a prepared profile; in a process forked after
    // lok_preinit this only completes the start (a few milliseconds).
    OfficeEngine(const std::string& programFolder, const std::string& profileFolder);
    ~OfficeEngine();

    // Opens a presentation or drawing (nothing else) and returns its slide count.
    int open(const std::string& path);
    bool isOpen() const { return document_ != nullptr; }
    int slideCount() const;
    // Target "X.bmp": folder X gets Slide1.bmp ... one per slide, hidden ones too;
    // with `facts`, also the presentation as an ODP package (SlideFactsFileName).
    int saveBitmaps(const std::string& target, bool facts = false);
    // Slides are painted this many pixels high, as wide as their proportions
    // give; 0 paints them at 96 pixels per inch.
    void setSlideHeight(int pixels) { slideHeight_ = pixels; }
    // Links may reach every local file, not only the presentation's folder.
    void setEveryLocalFile(bool every) { everyLocalFile_ = every; }
    // One line for each link the open presentation lost: its target and why.
    const std::vector<std::string>& linksLeftOut() const { return linksLeftOut_; }
    void close();

    // Loads and paints the built-in presentation, so the presentation module
    // is ready before the first real file.
    void warm();
    // Any document LibreOffice reads, saved in the format OUTPUT's extension names.
    void convert(const std::string& input, const std::string& output);

  private:
    std::unique_ptr<lok::Document> load(const std::string& path);
    std::string lastError();
    void saveFacts(const std::string& folder);
    std::unique_ptr<lok::Document> withoutForeignLinks(lok::Document& document,
                                                       const std::string& path);
    std::unique_ptr<lok::Document> packageWithoutForeignLinks(lok::Document& document,
                                                              const std::string& path);
    // Each link's verdict; those left out are noted for the row's report.
    std::vector<LinkVerdict> judgeLinks(const LinkScan& scan, const std::string& saved,
                                        const std::string& path);
    std::unique_ptr<lok::Document> reload(const std::string& copy, const std::string& path);

    std::unique_ptr<lok::Office> office_;
    std::unique_ptr<lok::Document> document_;
    // The presentation closed last, taken apart only when another opens: an
    // engine ends with _Exit, where taking it apart first only costs time.
    std::unique_ptr<lok::Document> closed_;
    std::string path_;
    std::string warmPath_;
    std::string scratch_;
    int slideHeight_ = 0;
    bool everyLocalFile_ = false;
    std::vector<std::string> linksLeftOut_;
    PageBuffer painted_;
    PageBuffer bitmapFile_;
};
