#pragma once

#include <cstddef>
#include <string>

#include "print/CupsHandles.h"
#include "print/DeviceMode.h"

// One print job on a CUPS printer, fed as a single PDF document streamed to the server while
// it is drawn. Stages mirror a spooler's: the printer (constructor), start, write, finish.
// A job started but not finished is cancelled by the destructor. UI thread only.
class CupsJob {
  public:
    // Connects to `printer`. Throws PrintException 2885 when it is unknown or unreachable.
    explicit CupsJob(const std::string& printer);
    ~CupsJob();
    CupsJob(const CupsJob&) = delete;
    CupsJob& operator=(const CupsJob&) = delete;

    // Creates the job titled `title` with the media, colour mode, sides and resolution of
    // `mode` (pages are never scaled by the server) and starts its PDF document. Throws
    // PrintException 2929 when the server refuses.
    void start(const std::string& title, const DeviceMode& mode);
    // Sends document bytes; false when the connection fails.
    bool write(const unsigned char* data, size_t length);
    // Ends the document. When `documentComplete` is false (the PDF could not be made) or the
    // server refuses the document, the job is cancelled and PrintException 2961 is thrown
    // with `documentError` or the server's reason.
    void finish(bool documentComplete, const std::string& documentError);

    // Gives the job up before finish: the document's connection is dropped mid-stream, so the
    // server never gets a complete document, and the job is cancelled over a new connection
    // (traced when the server refuses). Nothing happens before start or after finish.
    void abandon();

    // The job's number on the server, 0 before start.
    int id() const { return jobId_; }

  private:
    void cancel();

    std::string printer_;
    CupsDestHolder dest_;
    HttpHolder http_;
    CupsDestInfoHolder info_;
    int jobId_ = 0;
    bool documentOpen_ = false;
    bool finished_ = false;
};
