// The portable printer the program prints to and how it prints: the printer model and its
// port (by the positions the printing engine numbers them with), the paper type and the
// print options, kept as Preferences values.
#pragma once

#include <string>
#include <vector>

struct PrinterChoice {
  // Positions in the lists below; -1 when nothing is chosen.
  int printer = -1;
  int port = -1;
  int paperType = -1;
  int itemsUsing = -1;
  int copies = -1;
  int textSize = -1;
  int notesTextSize = -1;
};

class CPrinterSettings {
 public:
  // The printer models, ports and paper types are texts of the language library, listed
  // by the numbers the printing engine gives them.
  static std::vector<std::u16string> PrinterNames();
  static std::vector<std::u16string> PortNames();
  static std::vector<std::u16string> PaperTypes();
  static std::vector<std::u16string> ItemsUsingChoices();
  static std::vector<std::u16string> CopiesChoices();
  static std::vector<std::u16string> TextSizes();

  // The stored choice: printer and port by their stored names (none when the name is not
  // in the list), the others by stored index with their defaults written back when missing.
  static PrinterChoice Load();
  // Writes the choice in one registry write. A missing printer, port or paper type stops
  // the save before anything is written and gives that field's label; empty on success.
  static std::u16string Save(const PrinterChoice& choice);
};
