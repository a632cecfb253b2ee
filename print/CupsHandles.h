#pragma once

#include <memory>

#include <cups/cups.h>

// Owners of the CUPS objects the printing code uses; each frees its object on destruction.

struct CupsDestFree {
    void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};
struct CupsDestInfoFree {
    void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
};
struct HttpClose {
    void operator()(http_t* http) const { httpClose(http); }
};

using CupsDestHolder = std::unique_ptr<cups_dest_t, CupsDestFree>;
using CupsDestInfoHolder = std::unique_ptr<cups_dinfo_t, CupsDestInfoFree>;
using HttpHolder = std::unique_ptr<http_t, HttpClose>;

// The array of destinations cupsGetDests2 returns, with its count.
class CupsDestList {
  public:
    CupsDestList() = default;
    ~CupsDestList() { reset(); }
    CupsDestList(const CupsDestList&) = delete;
    CupsDestList& operator=(const CupsDestList&) = delete;

    // Asks the default server; returns the number of destinations (0 also on failure).
    int load()
    {
        reset();
        count_ = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_);
        return count_;
    }
    void reset()
    {
        if (dests_)
            cupsFreeDests(count_, dests_);
        dests_ = nullptr;
        count_ = 0;
    }
    int count() const { return count_; }
    cups_dest_t* dests() const { return dests_; }

  private:
    cups_dest_t* dests_ = nullptr;
    int count_ = 0;
};
