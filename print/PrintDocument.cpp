#include "print/PrintDocument.h"

#include "print/PrintJob.h"

bool sequenceHasPages(const std::vector<int>& sequence, int pageCount)
{
    for (int page : sequence)
        if (page >= 0 && page < pageCount)
            return true;
    return false;
}

int printDocument(PrintPageSource& source, const PrintSettings& settings,
                  const std::vector<int>& sequence, bool rightBinding, const void* owner)
{
    PrintJob job(settings, sequence, rightBinding);
    return job.print(source, owner);
}

int runPrintJob(PrintPageSource& source, const PrintSettings& settings,
                const std::vector<int>& sequence, bool rightBinding, const void* owner)
{
    PrintJob job(settings, sequence, rightBinding);
    return job.run(source, owner);
}
