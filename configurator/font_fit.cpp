// font_fit.cpp: stepping a font down until the text fits its label.
#include "configurator/font_fit.h"

namespace config {

// The designed size is kept wherever the text fits in it: only a font that would cut the text is made smaller.
int FittingFontSize(int designed, int smallest, int step, const std::function<bool(int)>& fits) {
    if (designed <= smallest || step <= 0)
        return designed;
    for (int size = designed; size > smallest; size -= step) {
        if (fits(size))
            return size;
    }
    return smallest;
}

}  // namespace config
