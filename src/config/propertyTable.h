#pragma once

// The property table of a configurable class: one entry per property, each naming the element path
// its value is read from, its type and the member it fills. Reading runs the entries in table order
// and stores every value unconditionally, so a missing element sets its member to 0, false or 0.0.
// Nothing is ever written back.

#include <vemora/xml/stXmlNode.h>

#include <vector>

namespace Vemora {

template <class Owner>
class tmpPropertyTable_c {
public:
    tmpPropertyTable_c& integer(const wchar_t* path, int Owner::*member) {
        entries_.push_back({path, member, nullptr, nullptr});
        return *this;
    }
    tmpPropertyTable_c& boolean(const wchar_t* path, bool Owner::*member) {
        entries_.push_back({path, nullptr, member, nullptr});
        return *this;
    }
    tmpPropertyTable_c& real(const wchar_t* path, double Owner::*member) {
        entries_.push_back({path, nullptr, nullptr, member});
        return *this;
    }

    void read(Owner& owner, stXmlElement_c* element) const {
        for (const Entry& e : entries_) {
            if (e.intMember) {
                owner.*e.intMember = element ? element->getIntValue(e.path) : 0;
            } else if (e.boolMember) {
                owner.*e.boolMember = element ? element->getBoolValue(e.path) : false;
            } else {
                owner.*e.realMember = element ? element->getDoubleValue(e.path) : 0.0;
            }
        }
    }

    size_t size() const { return entries_.size(); }
    const wchar_t* pathAt(size_t i) const { return entries_[i].path; }

private:
    struct Entry {
        const wchar_t* path;
        int Owner::*intMember;
        bool Owner::*boolMember;
        double Owner::*realMember;
    };
    std::vector<Entry> entries_;
};

}  // namespace Vemora
