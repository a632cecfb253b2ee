#pragma once

#include <string>
#include <vector>

// The thumbnailer program's steps, apart from its main function so that tests can drive them:
// reading the command line, making and writing one thumbnail, and bounding the process. Run on
// the program's one thread.

// Largest thumbnail side the program makes (file managers ask for 128 to 1024).
constexpr int kMaxThumbnailSide = 4096;
// The process's address-space budget: books that need more fail instead of exhausting memory.
constexpr unsigned long long kThumbnailerMemoryBytes = 2ull << 30;
// Seconds after which a thumbnail still unfinished is given up (the process ends, status 3).
constexpr unsigned kThumbnailerSeconds = 30;

// What the command line asks for: "[-v] INPUT OUTPUT SIZE".
struct ThumbnailerRequest {
    std::string input;    // a local path; a file:// URI is turned into its path
    std::string output;   // the PNG file to write
    int size = 0;         // 1 … kMaxThumbnailSide
    bool verbose = false; // keep the pipeline's trace lines on standard error
};

// Reads the arguments after the program name. Returns an empty text on success, else what is
// wrong with them.
std::string parseThumbnailerArguments(const std::vector<std::string>& args,
                                      ThumbnailerRequest& request);

// Makes the thumbnail of request.input (its first page fitted into size × size, never
// enlarged) and writes it as a PNG to request.output. The plug-ins must be loaded. Returns an
// empty text on success, else why it failed; request.output is then left as it was.
std::string runThumbnailer(const ThumbnailerRequest& request);

// Caps the process's address space at kThumbnailerMemoryBytes and arms a deadline of `seconds`
// that ends the process with status 3 after writing a line to `messageFd`. Once, at start.
void limitThumbnailerProcess(int messageFd, unsigned seconds = kThumbnailerSeconds);
