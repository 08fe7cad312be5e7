// mkexample: writes the bundled example, a small accounting data folder
// (chart of accounts, partners and documents as Paradox tables with their
// primary indexes, a report and a CSV export) and its register SprFiles.db
// listing the tables under the alias BUHDATA. The clock stands still at one
// moment, so that the same program writes the same bytes every time.
//
//   mkexample <folder>
//   mkexample --blank <folder>   adds a register record with an empty Fail,
//                                as an accounting system may leave one: the
//                                next archive run cleans it away, and so
//                                changes the register and its index
#include <cstdio>
#include <fstream>
#include <memory>

#include "Clock.h"
#include "CreateTable.h"
#include "FileSystem.h"
#include "Table.h"
#include "TableError.h"

namespace {

using orn::FieldDef;
using orn::Table;
namespace px = orn::paradox;

const char* const kGenerated[] = {"KONTI.DB", "KONTI.PX",    "PARTNERI.DB", "PARTNERI.PX",  "DOKUM.DB",
                                  "DOKUM.PX", "SprFiles.db", "SprFiles.px", "ATSKAITE.TXT", "EKSPORTS.CSV"};

struct Account {
  const char *number, *name, *kind;
  double balance;
};
const Account kAccounts[] = {
    {"2310", "Pircēju un pasūtītāju parādi", "A", 4235.80},
    {"2610", "Kase", "A", 312.45},
    {"2620", "Norēķinu konts bankā", "A", 18450.12},
    {"5310", "Parādi piegādātājiem", "P", -2980.00},
    {"5721", "PVN par iegādātajām precēm", "P", 517.20},
    {"5722", "PVN par pārdotajām precēm", "P", -1243.67},
    {"6110", "Ieņēmumi no preču pārdošanas", "I", -24560.00},
    {"7210", "Biroja izdevumi", "I", 845.30},
    {"7550", "Sakaru izdevumi", "I", 212.10},
};

struct Partner {
  const char *code, *name, *regNr, *vatNr, *address, *iban;
};
const Partner kPartners[] = {
    {"P001", "SIA \"Ziemeļu Koks\"", "40003123456", "LV40003123456", "Rīga, Brīvības iela 101",
     "LV80BANK0000435195001"},
    {"P002", "SIA \"Dārza Preces\"", "40103234567", "LV40103234567", "Jelgava, Lielā iela 12", "LV97HABA0551020304050"},
    {"P003", "AS \"Kurzemes Ēdiens\"", "40003345678", "LV40003345678", "Liepāja, Graudu iela 5",
     "LV12UNLA0050014112233"},
    {"P004", "Jānis Bērziņš", "", "", "Cēsis, Rūpniecības iela 3-7", "LV55PARX0002365987412"},
};

struct Document {
  int number;
  int year, month, day;
  const char *kind, *partner;
  double sum, vat;
  const char* text;
  bool paid;
};
const Document kDocuments[] = {
    {1001, 2025, 1, 3, "RĒĶINS", "P001", 1210.00, 210.00, "Dēļi un līmes materiāli", true},
    {1002, 2025, 1, 7, "RĒĶINS", "P002", 363.00, 63.00, "Dārza instrumenti", true},
    {1003, 2025, 1, 9, "PAVADZĪME", "P003", 2178.00, 378.00, "Pārtikas preces ēdnīcai", false},
    {1004, 2025, 1, 10, "KASES IEN", "P004", 150.00, 0.00, "Avansa norēķins", true},
    {1005, 2025, 1, 14, "RĒĶINS", "P001", 484.00, 84.00, "Skrūves, naglas, šķīvji", false},
    {1006, 2025, 1, 15, "MAKSĀJUMS", "P002", -363.00, 0.00, "Apmaksa par rēķinu 1002", true},
};

// Pads to `width` characters (not bytes: the names are UTF-8).
std::string PadRight(const std::string& text, std::size_t width) {
  std::size_t chars = 0;
  for (unsigned char c : text) chars += (c & 0xC0) != 0x80 ? 1 : 0;
  return chars >= width ? text : text + std::string(width - chars, ' ');
}

void Make(const std::string& dir) {
  using orn::TableOptions;
  const std::string base = orn::IncludeTrailingDelimiter(dir);

  orn::CreateTable(base + "KONTI.DB",
                   {{"Konts", px::kAlpha, 10},
                    {"Nosaukums", px::kAlpha, 60},
                    {"Tips", px::kAlpha, 1},
                    {"Aktivs", px::kLogical},
                    {"Atlikums", px::kCurrency}},
                   TableOptions{.keyFields = 1});
  Table accounts(dir, "KONTI.DB");
  accounts.Open();
  for (const auto& a : kAccounts) {
    accounts.Append();
    accounts.FieldByName("Konts").SetAsString(a.number);
    accounts.FieldByName("Nosaukums").SetAsString(a.name);
    accounts.FieldByName("Tips").SetAsString(a.kind);
    accounts.FieldByName("Aktivs").SetAsBoolean(true);
    accounts.FieldByName("Atlikums").SetAsFloat(a.balance);
    accounts.Post();
  }

  orn::CreateTable(base + "PARTNERI.DB",
                   {{"Kods", px::kAlpha, 10},
                    {"Nosaukums", px::kAlpha, 60},
                    {"RegNr", px::kAlpha, 20},
                    {"PVNNr", px::kAlpha, 20},
                    {"Adrese", px::kAlpha, 80},
                    {"Konts", px::kAlpha, 34}},
                   TableOptions{.keyFields = 1});
  Table partners(dir, "PARTNERI.DB");
  partners.Open();
  for (const auto& p : kPartners) {
    partners.Append();
    partners.FieldByName("Kods").SetAsString(p.code);
    partners.FieldByName("Nosaukums").SetAsString(p.name);
    partners.FieldByName("RegNr").SetAsString(p.regNr);
    partners.FieldByName("PVNNr").SetAsString(p.vatNr);
    partners.FieldByName("Adrese").SetAsString(p.address);
    partners.FieldByName("Konts").SetAsString(p.iban);
    partners.Post();
  }

  orn::CreateTable(base + "DOKUM.DB",
                   {{"Nr", px::kLong},
                    {"Datums", px::kDate},
                    {"Veids", px::kAlpha, 12},
                    {"Partneris", px::kAlpha, 10},
                    {"Summa", px::kCurrency},
                    {"PVN", px::kCurrency},
                    {"Apraksts", px::kAlpha, 80},
                    {"Apmaksats", px::kLogical}},
                   TableOptions{.keyFields = 1});
  Table documents(dir, "DOKUM.DB");
  documents.Open();
  std::ofstream csv(base + "EKSPORTS.CSV", std::ios::binary);
  csv << "Nr;Datums;Veids;Partneris;Summa;PVN;Apraksts;Apmaksats\r\n";
  for (const auto& d : kDocuments) {
    documents.Append();
    documents.FieldByName("Nr").SetAsFloat(d.number);
    documents.FieldByName("Datums").SetAsDateTime(*orn::EncodeDate(d.year, d.month, d.day));
    documents.FieldByName("Veids").SetAsString(d.kind);
    documents.FieldByName("Partneris").SetAsString(d.partner);
    documents.FieldByName("Summa").SetAsFloat(d.sum);
    documents.FieldByName("PVN").SetAsFloat(d.vat);
    documents.FieldByName("Apraksts").SetAsString(d.text);
    documents.FieldByName("Apmaksats").SetAsBoolean(d.paid);
    documents.Post();
    csv << documents.FieldByName("Nr").AsString() << ';' << documents.FieldByName("Datums").AsString() << ';' << d.kind
        << ';' << d.partner << ';' << documents.FieldByName("Summa").AsString() << ';'
        << documents.FieldByName("PVN").AsString() << ";\"" << d.text << "\";" << (d.paid ? "J" : "N") << "\r\n";
  }

  std::ofstream report(base + "ATSKAITE.TXT", std::ios::binary);
  report << "Kontu atlikumi uz 15.01.2025\r\n\r\n";
  for (const auto& a : kAccounts) {
    char amount[32];
    std::snprintf(amount, sizeof amount, "%12.2f", a.balance);
    report << PadRight(a.number, 6) << ' ' << PadRight(a.name, 40) << ' ' << amount << "\r\n";
  }

  orn::CreateTable(base + "SprFiles.db",
                   {{"Fail", px::kAlpha, 40},
                    {"Alias", px::kAlpha, 40},
                    {"Comment", px::kAlpha, 60},
                    {"Comment2", px::kAlpha, 60},
                    {"PriznArh", px::kLogical}},
                   TableOptions{.keyFields = 1});
  Table reg(dir, "SprFiles.db");
  reg.Open();
  const struct {
    const char *fail, *comment, *comment2;
    bool archive;
  } entries[] = {{"KONTI.DB", "Kontu plāns", "Galvenā grāmata", true},
                 {"PARTNERI.DB", "Partneri", "Pircēji un piegādātāji", true},
                 {"DOKUM.DB", "Dokumenti", "Rēķini, pavadzīmes, kases orderi", true},
                 {"KURSI.DB", "Valūtu kursi", "Vairs netiek lietots", false}};
  for (const auto& e : entries) {
    reg.Append();
    reg.FieldByName("Fail").SetAsString(e.fail);
    reg.FieldByName("Alias").SetAsString("BUHDATA");
    reg.FieldByName("Comment").SetAsString(e.comment);
    reg.FieldByName("Comment2").SetAsString(e.comment2);
    reg.FieldByName("PriznArh").SetAsBoolean(e.archive);
    reg.Post();
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--blank") {
    try {
      Table reg(argv[2], "SprFiles.db");
      reg.Open();
      reg.Append();
      reg.FieldByName("Alias").SetAsString("BUHDATA");
      reg.FieldByName("Comment").SetAsString("bez faila");
      reg.Post();
    } catch (const orn::TableError& e) {
      std::fprintf(stderr, "mkexample: %s\n", e.what());
      return 1;
    }
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: mkexample [--blank] <folder>\n");
    return 2;
  }
  const std::string dir = argv[1];
  if (!orn::ForceDirectories(dir)) {
    std::fprintf(stderr, "mkexample: cannot create %s\n", dir.c_str());
    return 1;
  }
  for (const char* name : kGenerated) orn::DeleteFileAt(orn::JoinPath(dir, name));
  orn::SetClock(std::make_unique<orn::FixedClock>(*orn::EncodeDate(2025, 1, 15) + orn::EncodeTime(18, 30, 0)));
  try {
    Make(dir);
  } catch (const orn::TableError& e) {
    std::fprintf(stderr, "mkexample: %s\n", e.what());
    return 1;
  }
  return 0;
}
