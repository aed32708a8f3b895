#include "link/LinkSinks.h"

#include <algorithm>
#include <cctype>

TLinkHost LinkHost;

bool TPortListBox::LessText(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

int TPortListBox::Add(const std::string& name)
{
    auto pos = std::upper_bound(items_.begin(), items_.end(), name, LessText);
    const int index = static_cast<int>(pos - items_.begin());
    items_.insert(pos, name);
    Notify();
    return index;
}

void TPortListBox::Delete(int index)
{
    if (index < 0 || index >= Count()) return;
    items_.erase(items_.begin() + index);
    Notify();
}

int TPortListBox::IndexOf(const std::string& name) const
{
    auto it = std::find(items_.begin(), items_.end(), name);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}
