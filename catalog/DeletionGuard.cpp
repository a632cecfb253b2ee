#include "DeletionGuard.h"

bool DeletionGuard::leave()
{
    if (depth_ > 0)
        --depth_;
    return depth_ == 0 && deletionRequested_;
}

bool DeletionGuard::requestDeletion()
{
    deletionRequested_ = true;
    return depth_ == 0;
}
