#include "print/CupsJob.h"

#include <cstdio>

#include "platform/Diagnostics.h"
#include "print/PrintException.h"

namespace {

std::string cupsReason(const std::string& what)
{
    const char* text = cupsLastErrorString();
    return what + ": " + (text && *text ? text : "no answer from the print server");
}

// The option array of a job, freed with its owner.
class JobOptions {
  public:
    ~JobOptions() { cupsFreeOptions(count_, options_); }
    void add(const char* name, const std::string& value)
    {
        if (!value.empty())
            count_ = cupsAddOption(name, value.c_str(), count_, &options_);
    }
    int count() const { return count_; }
    cups_option_t* options() const { return options_; }

  private:
    int count_ = 0;
    cups_option_t* options_ = nullptr;
};

} // namespace

CupsJob::CupsJob(const std::string& printer) : printer_(printer)
{
    dest_.reset(cupsGetNamedDest(CUPS_HTTP_DEFAULT, printer.c_str(), nullptr));
    if (!dest_)
        throw PrintException(2885, cupsReason(printer));
    // The job goes through the scheduler that listed the printer (cupsServer(), possibly a
    // local socket), not to the host named in the printer's URI: a local queue's URI says
    // "localhost" even when the scheduler listens on a socket only.
    http_.reset(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                             30000, nullptr));
    if (!http_)
        throw PrintException(2885, cupsReason(printer));
    info_.reset(cupsCopyDestInfo(http_.get(), dest_.get()));
    if (!info_)
        throw PrintException(2885, cupsReason(printer));
}

CupsJob::~CupsJob()
{
    if (jobId_ > 0 && !finished_)
        cancel();
}

void CupsJob::start(const std::string& title, const DeviceMode& mode)
{
    JobOptions options;
    options.add(CUPS_MEDIA, mode.mediaName);
    options.add(CUPS_PRINT_COLOR_MODE,
                mode.color == 2 ? CUPS_PRINT_COLOR_MODE_COLOR : CUPS_PRINT_COLOR_MODE_MONOCHROME);
    options.add(CUPS_SIDES, mode.duplex);
    // The document's pages are already the sheet at the printer's dots: no scaling.
    options.add("print-scaling", "none");
    if (mode.resolutionNamed) {
        char dpi[32];
        if (mode.xResolution == mode.yResolution)
            std::snprintf(dpi, sizeof dpi, "%ddpi", mode.xResolution);
        else
            std::snprintf(dpi, sizeof dpi, "%dx%ddpi", mode.xResolution, mode.yResolution);
        options.add("printer-resolution", dpi);
    }
    const ipp_status_t status =
        cupsCreateDestJob(http_.get(), dest_.get(), info_.get(), &jobId_, title.c_str(),
                          options.count(), options.options());
    if (status > IPP_STATUS_OK_CONFLICTING || jobId_ <= 0) {
        jobId_ = 0;
        throw PrintException(2929, cupsReason("cupsCreateDestJob"));
    }
    debugPrint("print job %d on %s\n", jobId_, printer_.c_str());
    if (cupsStartDestDocument(http_.get(), dest_.get(), info_.get(), jobId_, title.c_str(),
                              CUPS_FORMAT_PDF, 0, nullptr, 1) != HTTP_STATUS_CONTINUE)
        throw PrintException(2929, cupsReason("cupsStartDestDocument"));
    documentOpen_ = true;
}

bool CupsJob::write(const unsigned char* data, size_t length)
{
    if (!documentOpen_)
        return false;
    return cupsWriteRequestData(http_.get(), reinterpret_cast<const char*>(data), length) ==
           HTTP_STATUS_CONTINUE;
}

void CupsJob::finish(bool documentComplete, const std::string& documentError)
{
    if (!documentOpen_)
        throw PrintException(2961, "no document");
    documentOpen_ = false;
    const ipp_status_t status = cupsFinishDestDocument(http_.get(), dest_.get(), info_.get());
    if (!documentComplete)
        throw PrintException(2961, documentError);
    if (status > IPP_STATUS_OK_CONFLICTING)
        throw PrintException(2961, cupsReason("cupsFinishDestDocument"));
    finished_ = true;
}

void CupsJob::abandon()
{
    if (jobId_ <= 0 || finished_)
        return;
    // A request cannot be sent on a connection while a document is streaming on it.
    http_.reset();
    documentOpen_ = false;
    finished_ = true;
    const HttpHolder http(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC,
                                       cupsEncryption(), 1, 5000, nullptr));
    if (!http || cupsCancelDestJob(http.get(), dest_.get(), jobId_) > IPP_STATUS_OK_CONFLICTING)
        debugPrint("cancelling job %d: %s\n", jobId_, cupsLastErrorString());
    else
        debugPrint("job %d cancelled\n", jobId_);
}

void CupsJob::cancel()
{
    if (documentOpen_) {
        // The request must end before another can be sent on the connection.
        cupsFinishDestDocument(http_.get(), dest_.get(), info_.get());
        documentOpen_ = false;
    }
    if (cupsCancelDestJob(http_.get(), dest_.get(), jobId_) > IPP_STATUS_OK_CONFLICTING)
        debugPrint("cancelling job %d: %s\n", jobId_, cupsLastErrorString());
    else
        debugPrint("job %d cancelled\n", jobId_);
    finished_ = true;
}
