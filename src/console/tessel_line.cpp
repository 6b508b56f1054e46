#include "console/tessel_line.h"

void TmVirtualListBoxLine::Assign(const TmVirtualListBoxLine& /*source*/) {}

TmVirtualListBoxLine* TmVirtualListBoxLine::CreateSameClass() const {
    return new TmVirtualListBoxLine;
}

void TmTesselLine::Assign(const TmVirtualListBoxLine& source) {
    if (const auto* line = dynamic_cast<const TmTesselLine*>(&source)) Color = line->Color;
}

TmVirtualListBoxLine* TmTesselLine::CreateSameClass() const {
    return new TmTesselLine;
}
