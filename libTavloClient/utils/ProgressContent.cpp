#include "utils/ProgressContent.h"

#include <QAtomicInt>

int ProgressContent::nextTransferId() {
    static QAtomicInt counter(0);
    return counter.fetchAndAddOrdered(1);
}
