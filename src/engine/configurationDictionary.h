#pragma once

// How the configuration's loose properties meet its "Dictionary" element beyond what the
// dictionary's own XML form does: changes anywhere in nested dictionaries, and elements that
// would bring back entries the dictionary no longer has.

namespace Vemora {

class stXmlElement_c;
class utDictionary_c;

// True when the dictionary or any dictionary nested in it changed.
bool dictionaryTreeChanged(const utDictionary_c& dictionary);

// Clears the changed flag of the dictionary and of every dictionary nested in it.
void clearDictionaryTreeChanged(utDictionary_c& dictionary);

// Writes the dictionary below element so that reading the element gives the dictionary back:
// elements the reader would load for keys the dictionary lacks, for null entries or with another
// type than the entry's are removed first (so are repeated elements of one key, of which the
// reader would keep the last), then the entries are written. Elements the reader skips are kept.
void writeDictionaryElement(stXmlElement_c& element, const utDictionary_c& dictionary);

}  // namespace Vemora
