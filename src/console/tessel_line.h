#pragma once
// Line objects of the output list: an object travels with a logical line and
// decides how its rows look. The list owns them; when one text is split into
// several lines, every further line gets its own copy (CreateSameClass, then
// Assign), so freeing one line never leaves another with a dangling object.

#include "console/colors.h"
#include "foundation/lists.h"

class TmVirtualListBoxLine : public TObject {
  public:
    // Copies the state of source; the base class has none.
    virtual void Assign(const TmVirtualListBoxLine& source);
    // A new, default-initialised object of the same class as this one.
    virtual TmVirtualListBoxLine* CreateSameClass() const;
};

// A line in one colour; the console window colours error lines red (255).
class TmTesselLine : public TmVirtualListBoxLine {
  public:
    void Assign(const TmVirtualListBoxLine& source) override;
    TmVirtualListBoxLine* CreateSameClass() const override;
    // Returns the line itself, so a line is created and coloured in one expression.
    TmTesselLine* SetColor(TColor color) {
        Color = color;
        return this;
    }

    TColor Color = clBlack;
};
