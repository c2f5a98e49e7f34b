// gen_objects: writes a large synthetic object text file for the benchmarks.
//
//   gen_objects [--mix | --short-mixed] [--pages] SIZE_MB OUTFILE [SEED]
//
// The output is SIZE_MB MiB (give or take the last object), CR LF line breaks,
// one comment line before the first object, a mix of the seven older object kinds
// (plus the odd page), object sizes mostly 5 to 50 KB with a
// rare one of several MB, and accented letters stored as code page 850 bytes.
// With --mix, about 70 % of the objects keep code page 850, 15 % are written
// in Windows 1252 and 15 % in UTF-8, as in files concatenated from exports of
// different years. With --short-mixed, every object keeps code page 850 and
// about one in 50 is a short codeunit whose only text beyond ASCII is a
// constant or two of Spanish, French or signs (¿, º, £, ´), as real exports
// hold: each alone reads better in another code page.
// With --pages, about 45 % of the objects are pages and queries, as in newer
// exports, many a query numbered as the page before it, and no kind and number
// occurs twice (as in one database's export), so every object has an export
// file name of its own.
// The same seed always gives the same bytes.
//
// Every word comes from the fixed lists below, so the texts the benchmark
// searches for (which occur nowhere) cannot appear by chance.

#include "benchrandom.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::size_t kFlushAt = 8 * kMiB;

using Rng = TBenchRandom;

enum Encoding { Cp850, Cp1252, Utf8, EncodingCount };

// Word lists are written in UTF-8 here and stored as code page 850 bytes, the
// way the development environment exports them (or in another encoding).
std::string encode(std::string_view utf8, Encoding encoding)
{
    struct Map { const char *from; char cp850; char cp1252; };
    static const Map map[] = {
        {"ä", '\x84', '\xE4'}, {"ö", '\x94', '\xF6'}, {"ü", '\x81', '\xFC'}, {"Ä", '\x8E', '\xC4'},
        {"Ö", '\x99', '\xD6'}, {"Ü", '\x9A', '\xDC'}, {"ß", '\xE1', '\xDF'}, {"é", '\x82', '\xE9'},
        {"è", '\x8A', '\xE8'}, {"à", '\x85', '\xE0'}, {"ç", '\x87', '\xE7'}, {"É", '\x90', '\xC9'},
        // The short objects' Spanish, French and signs.
        {"ñ", '\xA4', '\xF1'}, {"ó", '\xA2', '\xF3'}, {"á", '\xA0', '\xE1'}, {"í", '\xA1', '\xED'},
        {"ú", '\xA3', '\xFA'}, {"º", '\xA7', '\xBA'}, {"ª", '\xA6', '\xAA'}, {"£", '\x9C', '\xA3'},
        {"´", '\xEF', '\xB4'}, {"¿", '\xA8', '\xBF'}, {"ê", '\x88', '\xEA'}, {"â", '\x83', '\xE2'},
        {"ô", '\x93', '\xF4'}, {"°", '\xF8', '\xB0'},
    };
    if (encoding == Utf8)
        return std::string(utf8);
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        bool mapped = false;
        for (const Map &m : map) {
            std::size_t len = std::strlen(m.from);
            if (utf8.compare(i, len, m.from) == 0) {
                out += encoding == Cp850 ? m.cp850 : m.cp1252;
                i += len;
                mapped = true;
                break;
            }
        }
        if (!mapped)
            out += utf8[i++];
    }
    return out;
}

std::vector<std::string> encode(const std::vector<const char *> &words, Encoding encoding)
{
    std::vector<std::string> out;
    out.reserve(words.size());
    for (const char *w : words)
        out.push_back(encode(w, encoding));
    return out;
}

struct FieldDef {
    const char *name;
    const char *type;
    const char *caption; // DEU caption, UTF-8
};

const FieldDef kFields[] = {
    {"No.", "Code20", "Nr."},
    {"Name", "Text50", "Name"},
    {"Description", "Text50", "Beschreibung"},
    {"Description 2", "Text50", "Beschreibung 2"},
    {"Amount", "Decimal", "Betrag"},
    {"Amount (LCY)", "Decimal", "Betrag (MW)"},
    {"Posting Date", "Date", "Buchungsdatum"},
    {"Document No.", "Code20", "Belegnr."},
    {"Document Type", "Option", "Belegart"},
    {"Quantity", "Decimal", "Menge"},
    {"Unit Price", "Decimal", "VK-Preis"},
    {"Unit Cost (LCY)", "Decimal", "Einstandspreis (MW)"},
    {"Currency Code", "Code10", "Währungscode"},
    {"Location Code", "Code10", "Lagerortcode"},
    {"Customer No.", "Code20", "Debitorennr."},
    {"Vendor No.", "Code20", "Kreditorennr."},
    {"Item No.", "Code20", "Artikelnr."},
    {"Variant Code", "Code10", "Variantencode"},
    {"Line No.", "Integer", "Zeilennr."},
    {"Entry No.", "Integer", "Lfd. Nr."},
    {"Blocked", "Boolean", "Gesperrt"},
    {"Due Date", "Date", "Fälligkeitsdatum"},
    {"Remaining Amount", "Decimal", "Restbetrag"},
    {"Open", "Boolean", "Offen"},
    {"External Document No.", "Code20", "Externe Belegnummer"},
    {"Reason Code", "Code10", "Ursachencode"},
    {"Salesperson Code", "Code10", "Verkäufercode"},
    {"Country/Region Code", "Code10", "Länder-/Regionscode"},
    {"Post Code", "Code20", "PLZ-Code"},
    {"City", "Text30", "Ort"},
    {"Phone No.", "Text30", "Telefonnr."},
    {"Search Name", "Code50", "Suchbegriff"},
    {"Global Dimension 1 Code", "Code20", "Globaler Dimensionscode 1"},
    {"VAT Bus. Posting Group", "Code10", "MwSt.-Geschäftsbuchungsgruppe"},
    {"Gen. Prod. Posting Group", "Code10", "Produktbuchungsgruppe"},
    {"Qty. to Ship", "Decimal", "Zu liefern"},
    {"Qty. to Invoice", "Decimal", "Zu fakturieren"},
    {"Outstanding Quantity", "Decimal", "Restauftragsmenge"},
    {"Shipment Date", "Date", "Warenausg.-Datum"},
    {"Last Date Modified", "Date", "Korrigiert am"},
    {"Comment", "Boolean", "Bemerkung"},
    {"Lot No.", "Code20", "Chargennr."},
    {"Serial No.", "Code20", "Seriennr."},
    {"Net Weight", "Decimal", "Nettogewicht"},
    {"Unit of Measure Code", "Code10", "Einheitencode"},
    {"Responsibility Center", "Code10", "Zuständigkeitseinheitencode"},
    {"Sell-to Customer No.", "Code20", "Verk. an Deb.-Nr."},
    {"Bill-to Name", "Text50", "Rech. an Name"},
};
constexpr std::uint32_t kFieldCount = sizeof kFields / sizeof kFields[0];

const char *const kRecordNames[] = {
    "SalesHeader", "SalesLine", "PurchHeader", "PurchLine", "Cust", "Vend", "Item",
    "GLEntry", "CustLedgEntry", "VendLedgEntry", "ItemLedgEntry", "GenJnlLine",
    "TempBuffer", "Location", "Currency", "ValueEntry", "WhseActivLine", "ResEntry",
};
const char *const kVarNames[] = {
    "TotalAmount", "LineCount", "NextLineNo", "RemQty", "QtyToPost", "AmountLCY",
    "Found", "Counter", "PostingDate", "DocNo", "DiscountPct", "ExchRate", "i", "Handled",
};
const char *const kVarTypes[] = {"Decimal", "Integer", "Integer", "Decimal", "Decimal", "Decimal",
                                 "Boolean", "Integer", "Date", "Code[20]", "Decimal", "Decimal",
                                 "Integer", "Boolean"};
const char *const kVerbs[] = {"Post", "Check", "Calc", "Update", "Get", "Insert", "Validate", "Init",
                              "Find", "Copy", "Create", "Test", "Transfer", "Apply", "Show", "Round"};
const char *const kNouns[] = {"Line", "Header", "Entry", "Amount", "Dim", "Buffer", "Totals",
                              "Discount", "Posting", "Ledger", "Balance", "Price", "Reservation",
                              "Shipment", "Invoice", "Journal", "Tracking", "Charge"};
const char *const kNameWords[] = {
    "Customer", "Vendor", "Item", "Sales", "Purchase", "G/L", "Bank Account", "Fixed Asset",
    "Resource", "Job", "Warehouse", "Inventory", "Service", "Production", "Contact", "Employee",
    "Campaign", "Transfer", "Reminder", "Finance Charge", "VAT", "Intrastat", "Payment", "Shipping",
};
const char *const kNameTails[] = {
    "Card", "List", "Ledger Entry", "Journal", "Setup", "Statistics", "Header", "Line",
    "Posting Group", "Register", "Buffer", "Comment Line", "Entries", "Subform", "Overview",
    "Post", "Post + Print", "Check Line", "Management", "Import", "Export", "Test", "Summary",
};
const char *const kDepartments[] = {"Sales", "Purchase", "Finance", "Warehouse", "Manufacturing",
                                    "Service", "Resource Planning", "Administration"};

const std::vector<const char *> kCommentsUtf8 = {
    "Prüfung auf gesperrte Debitoren ergänzt",
    "Währungsumrechnung für Restbeträge korrigiert",
    "Änderung: Lagerort wird aus dem Kopf übernommen",
    "Fälligkeitsdatum nicht überschreiben",
    "Übernahme der Mengen aus der Lieferung",
    "Rundungsdifferenz auf Sachkonto buchen",
    "Société française: référence client obligatoire",
    "Größe der Puffertabelle begrenzt",
    "keep the posting order stable, see change log",
    "only for documents that are released",
    "TODO check the dimension combination first",
    "called from the job queue as well",
};
const std::vector<const char *> kTextConstsUtf8 = {
    "DEU=%1 %2 ist gesperrt.;ENU=%1 %2 is blocked.",
    "DEU=Bitte geben Sie %1 ein.;ENU=Please enter %1.",
    "DEU=Es gibt nichts zu buchen.;ENU=There is nothing to post.",
    "DEU=%1 muss größer als 0 sein.;ENU=%1 must be greater than 0.",
    "DEU=Möchten Sie %1 löschen?;ENU=Do you want to delete %1?",
    "DEU=Die Währung %1 ist ungültig.;ENU=The currency %1 is not valid.",
    "DEU=Zeile #1###### wird verarbeitet;ENU=Processing line #1######",
    "DEU=Der Beleg wurde übernommen.;ENU=The document has been transferred.",
};

// The short codeunits' constants (--short-mixed).
const std::vector<const char *> kShortTextsUtf8 = {
    "ESP=¿Confirma que desea registrar %1?;ENU=Do you want to post %1?",
    "ESP=Cliente nº %1;ENU=Customer No. %1",
    "FRA=Fermer les fenêtres;ENU=Close the windows",
    "ENU=Amount (£)",
    "ENU=Customer´s No.",
    "ESP=Año;ENU=Year",
    "ESP=1ª línea;ENU=1st line",
    "ENU=Temperature °C",
    "FRA=Déjà reçu;ENU=Already received",
};

class Generator {
public:
    Generator(std::FILE *file, std::uint64_t seed, bool mix, bool pages, bool shortMixed = false)
        : file_(file), rng_(seed), mix_(mix), shortMixed_(shortMixed), pages_(pages)
    {
        shortTexts_ = encode(kShortTextsUtf8, Cp850);
        for (int e = 0; e < EncodingCount; ++e) {
            Words &words = words_[e];
            words.comments = encode(kCommentsUtf8, Encoding(e));
            words.textConsts = encode(kTextConstsUtf8, Encoding(e));
            for (const FieldDef &f : kFields)
                words.captions.push_back(encode(f.caption, Encoding(e)));
        }
        out_.reserve(kFlushAt + kMiB);
    }

    bool run(std::uint64_t targetBytes, std::uint64_t seed)
    {
        put("// Object text file generated for benchmarking (synthetic), seed ");
        num(static_cast<long long>(seed));
        eol();
        while (total() < targetBytes) {
            writeObject();
            if (!ok_)
                return false;
        }
        return flush();
    }

    std::uint64_t total() const { return written_ + out_.size(); }
    std::uint64_t objects() const { return objectCount_; }

private:
    enum Kind { Table, Form, Report, Dataport, Codeunit, XMLport, MenuSuite, Page, Query };

    // --- output primitives -------------------------------------------------
    void put(std::string_view s) { out_.append(s.data(), s.size()); }
    void put(char c) { out_.push_back(c); }
    void eol() { out_.append("\r\n", 2); }
    void spaces(int n) { out_.append(static_cast<std::size_t>(n > 0 ? n : 0), ' '); }
    void line(int indent, std::string_view s) { spaces(indent); put(s); eol(); }
    void num(long long v)
    {
        char buf[24];
        char *p = buf + sizeof buf;
        bool neg = v < 0;
        unsigned long long u = neg ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
        do {
            *--p = static_cast<char>('0' + u % 10);
            u /= 10;
        } while (u);
        if (neg)
            *--p = '-';
        out_.append(p, static_cast<std::size_t>(buf + sizeof buf - p));
    }
    // Writes s left-aligned in a column of width characters; a longer s runs
    // over the column without a space, as the export does.
    void padded(std::string_view s, int width)
    {
        put(s);
        spaces(width - static_cast<int>(s.size()));
    }
    void paddedNum(long long v, int width)
    {
        std::size_t before = out_.size();
        num(v);
        spaces(width - static_cast<int>(out_.size() - before));
    }
    void quoted(std::string_view s)
    {
        bool needQuotes = s.find_first_of(" .-/()") != std::string_view::npos;
        if (needQuotes)
            put('"');
        put(s);
        if (needQuotes)
            put('"');
    }
    void guid()
    {
        static const char hex[] = "0123456789ABCDEF";
        std::uint64_t a = rng_.Next(), b = rng_.Next();
        put("[{");
        for (int i = 0; i < 32; ++i) {
            if (i == 8 || i == 12 || i == 16 || i == 20)
                put('-');
            std::uint64_t &w = i < 16 ? a : b;
            put(hex[w & 15]);
            w >>= 4;
        }
        put("}]");
    }
    void maybeFlush()
    {
        if (out_.size() >= kFlushAt)
            flush();
    }
    bool flush()
    {
        if (!ok_)
            return false;
        if (!out_.empty() && std::fwrite(out_.data(), 1, out_.size(), file_) != out_.size())
            ok_ = false;
        written_ += out_.size();
        out_.clear();
        return ok_;
    }

    // --- object frame ------------------------------------------------------
    Kind pickKind()
    {
        if (pages_) {
            const std::uint32_t share = rng_.Below(100);
            if (share < 38)
                return Page;
            if (share < 45)
                return Query;
        }
        std::uint32_t r = rng_.Below(1000);
        if (r < 250) return Table;
        if (r < 450) return Form;
        if (r < 600) return Report;
        if (r < 650) return Dataport;
        if (r < 880) return Codeunit;
        if (r < 930) return XMLport;
        if (r < 985) return MenuSuite;
        return Page;
    }

    std::uint64_t pickSize(Kind kind)
    {
        if (rng_.Below(500) == 0)
            return static_cast<std::uint64_t>(rng_.Range(2048, 6144)) * 1024;
        if (kind == MenuSuite || rng_.Percent(5))
            return static_cast<std::uint64_t>(rng_.Range(1024, 5 * 1024));
        // About log-uniform between 5 and 50 KB (many small objects, fewer
        // large ones), in integers so that every platform writes the same bytes.
        static const std::uint64_t kTenthPowers[] = {1000, 1259, 1585, 1995, 2512, 3162,
                                                     3981, 5012, 6310, 7943, 10000};
        std::uint32_t r = rng_.Below(1000);
        std::uint64_t lo = kTenthPowers[r / 100], hi = kTenthPowers[r / 100 + 1];
        return 5 * 1024 * (lo + (hi - lo) * (r % 100) / 100) / 1000;
    }

    void objectName(Kind kind)
    {
        if (kind == MenuSuite) {
            put("Dept - ");
            put(rng_.Pick(kDepartments));
            return;
        }
        std::string name = rng_.Pick(kNameWords);
        name += ' ';
        name += rng_.Pick(kNameTails);
        if (name.size() > 30)
            name.resize(30);
        put(name);
    }

    void writeObject()
    {
        static const char *const kKindWords[] = {"Table", "Form", "Report", "Dataport",
                                                 "Codeunit", "XMLport", "MenuSuite", "Page", "Query"};
        if (shortMixed_ && rng_.Below(50) == 0) {
            shortCodeunit();
            return;
        }
        Kind kind = pickKind();
        if (mix_) {
            const std::uint32_t share = rng_.Below(100);
            setEncoding(share < 70 ? Cp850 : share < 85 ? Cp1252 : Utf8);
        }
        std::uint64_t start = total();
        end_ = start + pickSize(kind);
        ++objectCount_;

        put("OBJECT ");
        put(kKindWords[kind]);
        put(' ');
        num(objectNumber(kind));
        nextNumber_ += 41;
        if (nextNumber_ > 99000)
            nextNumber_ = 3;
        put(' ');
        objectName(kind);
        eol();
        line(0, "{");
        objectProperties();
        switch (kind) {
        case Table: table(); break;
        case Form: form(); break;
        case Report: report(); break;
        case Dataport: dataport(); break;
        case Codeunit: codeunit(); break;
        case XMLport: xmlport(); break;
        case MenuSuite: menuSuite(); break;
        case Page: page(); break;
        case Query: query(); break;
        }
        line(0, "}");
        eol();
        maybeFlush();
    }

    // True while the object's body may still grow; share caps a first section
    // at that percentage of the body's planned size, leaving room for the code.
    bool room(std::uint64_t share = 100) const
    {
        return total() < bodyStart_ + (end_ - bodyStart_) * share / 100;
    }

    void objectProperties()
    {
        line(2, "OBJECT-PROPERTIES");
        line(2, "{");
        spaces(4); put("Date=");
        twoDigits(rng_.Range(1, 28)); put('.'); twoDigits(rng_.Range(1, 12)); put('.'); twoDigits(rng_.Range(3, 12));
        put(';'); eol();
        spaces(4); put("Time=");
        twoDigits(rng_.Range(7, 19)); put(':'); twoDigits(rng_.Range(0, 59)); put(':'); twoDigits(rng_.Range(0, 59));
        put(';'); eol();
        if (rng_.Percent(70))
            line(4, "Modified=Yes;");
        spaces(4); put("Version List=ORV");
        num(rng_.Range(4, 7)); put(".00");
        if (rng_.Percent(40)) { put(",ORV-DE"); num(rng_.Range(1, 9)); }
        put(';'); eol();
        line(2, "}");
    }

    void twoDigits(int v)
    {
        put(static_cast<char>('0' + v / 10));
        put(static_cast<char>('0' + v % 10));
    }

    void captionMl(int indent, const FieldDef &f, std::uint32_t fieldIndex, bool last)
    {
        put("CaptionML=[ENU="); put(f.name); put(';'); eol();
        spaces(indent + 11); put("DEU="); put((*captions_)[fieldIndex]); put(last ? "]" : "];");
    }

    // --- code --------------------------------------------------------------
    void comment(int indent)
    {
        spaces(indent); put("// "); put((*comments_)[rng_.Below(static_cast<std::uint32_t>(comments_->size()))]); eol();
    }

    void fieldRef(const char *rec)
    {
        put(rec); put('.'); quoted(kFields[rng_.Below(kFieldCount)].name);
    }

    void statement(int indent, int depth)
    {
        const char *rec = rng_.Pick(kRecordNames);
        const char *var = rng_.Pick(kVarNames);
        switch (rng_.Below(depth < 3 ? 16 : 12)) {
        case 0: spaces(indent); put(rec); put(".SETRANGE("); quoted(kFields[rng_.Below(kFieldCount)].name);
                put(','); put(var); put(");"); eol(); break;
        case 1: spaces(indent); put(var); put(" := "); put(var); put(" + "); fieldRef(rec); put(';'); eol(); break;
        case 2: spaces(indent); put(rec); put(".TESTFIELD("); quoted(kFields[rng_.Below(kFieldCount)].name);
                put(");"); eol(); break;
        case 3: spaces(indent); put(rec); put(".CALCFIELDS("); quoted(kFields[rng_.Below(kFieldCount)].name);
                put(");"); eol(); break;
        case 4: spaces(indent); fieldRef(rec); put(" := "); put(var); put(';'); eol(); break;
        case 5: spaces(indent); put(rec); put(rng_.Percent(50) ? ".MODIFY;" : ".INSERT(TRUE);"); eol(); break;
        case 6: spaces(indent); put("ERROR(Text"); paddedZero(rng_.Range(0, 60)); put(','); put(rec);
                put(".FIELDCAPTION("); quoted(kFields[rng_.Below(kFieldCount)].name); put("));"); eol(); break;
        case 7: comment(indent); break;
        case 8: spaces(indent); put(var); put(" := ROUND("); put(var); put(" * "); num(rng_.Range(2, 100));
                put(" / 100,0.01);"); eol(); break;
        case 9: spaces(indent); put(rng_.Pick(kVerbs)); put(rng_.Pick(kNouns)); put('('); put(rec); put(");"); eol(); break;
        case 10: spaces(indent); put(rec); put(".RESET;"); eol(); break;
        case 11: spaces(indent); put("Window.UPDATE("); num(rng_.Range(1, 4)); put(','); put(var); put(");"); eol(); break;
        case 12: case 13:
            spaces(indent); put("IF "); fieldRef(rec); put(rng_.Percent(50) ? " <> " : " = ");
            put(rng_.Percent(50) ? "''" : "0"); put(" THEN BEGIN"); eol();
            block(indent + 2, depth + 1, rng_.Range(1, 4));
            if (rng_.Percent(30)) {
                line(indent, "END ELSE BEGIN");
                block(indent + 2, depth + 1, rng_.Range(1, 3));
            }
            line(indent, "END;");
            break;
        case 14:
            spaces(indent); put("IF "); put(rec); put(".FIND('-') THEN"); eol();
            line(indent + 2, "REPEAT");
            block(indent + 4, depth + 1, rng_.Range(2, 5));
            spaces(indent + 2); put("UNTIL "); put(rec); put(".NEXT = 0;"); eol();
            break;
        default:
            spaces(indent); put("CASE "); put(rec); put(".\"Document Type\" OF"); eol();
            for (int i = rng_.Range(2, 4); i > 0; --i) {
                spaces(indent + 2); put(rec); put(".\"Document Type\"::");
                static const char *const kDocTypes[] = {"Quote", "Order", "Invoice", "\"Credit Memo\""};
                put(rng_.Pick(kDocTypes)); put(':'); eol();
                block(indent + 4, depth + 1, 1);
            }
            line(indent, "END;");
            break;
        }
    }

    void paddedZero(int v)
    {
        put(static_cast<char>('0' + v / 100));
        put(static_cast<char>('0' + v / 10 % 10));
        put(static_cast<char>('0' + v % 10));
    }

    void block(int indent, int depth, int count)
    {
        for (int i = 0; i < count; ++i)
            statement(indent, depth);
    }

    void procedure(int &procId)
    {
        eol();
        spaces(4);
        if (rng_.Percent(40))
            put("LOCAL ");
        put("PROCEDURE "); put(rng_.Pick(kVerbs)); put(rng_.Pick(kNouns)); put('@'); num(procId++);
        put("(VAR "); put(rng_.Pick(kRecordNames)); put("@1000 : Record "); num(rng_.Range(3, 9000));
        if (rng_.Percent(50)) {
            put(';'); put(rng_.Pick(kVarNames)); put("@1001 : Decimal");
        }
        put(')');
        if (rng_.Percent(40))
            put(" : Boolean");
        put(';'); eol();
        int vars = rng_.Range(0, 4);
        if (vars) {
            line(4, "VAR");
            for (int i = 0; i < vars; ++i) {
                std::uint32_t v = rng_.Below(sizeof kVarNames / sizeof kVarNames[0]);
                spaces(6); put(kVarNames[v]); put('@'); num(1002 + i); put(" : "); put(kVarTypes[v]); put(';'); eol();
            }
        }
        line(4, "BEGIN");
        block(6, 0, rng_.Range(3, 14));
        line(4, "END;");
        maybeFlush();
    }

    void globals()
    {
        line(4, "VAR");
        int n = rng_.Range(2, 10);
        for (int i = 0; i < n; ++i) {
            spaces(6); put("Text"); paddedZero(i); put('@'); num(1000 + i); put(" : TextConst '");
            put((*textConsts_)[rng_.Below(static_cast<std::uint32_t>(textConsts_->size()))]); put("';"); eol();
        }
        for (int i = 0; i < 4; ++i) {
            spaces(6); put(rng_.Pick(kRecordNames)); put('@'); num(1100 + i); put(" : Record "); num(rng_.Range(3, 9000));
            put(';'); eol();
        }
        spaces(6); put("Window@1200 : Dialog;"); eol();
    }

    // The CODE section: fills the object up to its planned size with procedures.
    void code(bool fill)
    {
        line(2, "CODE");
        line(2, "{");
        globals();
        int procId = 1;
        do
            procedure(procId);
        while (fill && room());
        eol();
        line(4, "BEGIN");
        if (rng_.Percent(50)) {
            line(4, "{");
            for (int i = rng_.Range(1, 3); i > 0; --i) {
                spaces(6); put("ORV"); num(rng_.Range(4, 7)); put(".00 ");
                put((*comments_)[rng_.Below(static_cast<std::uint32_t>(comments_->size()))]); eol();
            }
            line(4, "}");
        }
        line(4, "END.");
        line(2, "}");
    }

    void trigger(int indent, std::string_view name)
    {
        spaces(indent); put(name); put("=BEGIN"); eol();
        int bodyIndent = indent + static_cast<int>(name.size()) + 3;
        block(bodyIndent, 1, rng_.Range(1, 6));
        spaces(bodyIndent - 2); put("END;"); eol();
        eol();
    }

    // --- kinds -------------------------------------------------------------
    void beginBody() { bodyStart_ = total(); }

    void table()
    {
        beginBody();
        line(2, "PROPERTIES");
        line(2, "{");
        line(4, "DataCaptionFields=No.,Description;");
        if (rng_.Percent(60)) trigger(4, "OnInsert");
        if (rng_.Percent(40)) trigger(4, "OnModify");
        if (rng_.Percent(50)) trigger(4, "OnDelete");
        spaces(4); put("LookupFormID=Form"); num(rng_.Range(5, 9000)); put(';'); eol();
        line(2, "}");
        line(2, "FIELDS");
        line(2, "{");
        int no = 1;
        do {
            std::uint32_t fi = rng_.Below(kFieldCount);
            const FieldDef &f = kFields[fi];
            spaces(4); put("{ "); paddedNum(no, 4); put(";   ;"); padded(f.name, 20); put(';'); padded(f.type, 14);
            no += rng_.Percent(80) ? 1 : rng_.Range(2, 20);
            int r = static_cast<int>(rng_.Below(100));
            if (r < 65) {
                put('}'); eol();
            } else if (r < 90) {
                put(';'); captionMl(50, f, fi, true); put(" }"); eol();
            } else {
                put(";OnValidate=BEGIN"); eol();
                block(63, 1, rng_.Range(1, 5));
                spaces(61); put("END;"); eol();
                eol();
                spaces(50); captionMl(50, f, fi, true); put(" }"); eol();
            }
            maybeFlush();
        } while (room(55));
        line(2, "}");
        line(2, "KEYS");
        line(2, "{");
        line(4, "{    ;No.                                     ;Clustered=Yes }");
        for (int i = rng_.Range(0, 4); i > 0; --i) {
            spaces(4); put("{    ;"); padded(kFields[rng_.Below(kFieldCount)].name, 41); put('}'); eol();
        }
        line(2, "}");
        line(2, "FIELDGROUPS");
        line(2, "{");
        line(2, "}");
        code(true);
    }

    void formProperties(const char *sourceKind)
    {
        line(2, "PROPERTIES");
        line(2, "{");
        spaces(4); put("Width="); num(rng_.Range(80, 180) * 100); put(';'); eol();
        spaces(4); put("Height="); num(rng_.Range(40, 90) * 100); put(';'); eol();
        spaces(4); put("SourceTable="); put(sourceKind); num(rng_.Range(3, 9000)); put(';'); eol();
        if (rng_.Percent(50)) trigger(4, "OnOpenForm");
        if (rng_.Percent(30)) trigger(4, "OnAfterGetRecord");
        line(2, "}");
    }

    void control(int indent, int id, int parent)
    {
        static const char *const kControlTypes[] = {"TextBox", "Label", "CheckBox", "CommandButton",
                                                    "MenuButton", "Frame", "TabControl"};
        int propIndent = indent + 46;
        spaces(indent); put("{ "); paddedNum(id, 4); put(';');
        padded(rng_.Pick(kControlTypes), 13); put(';');
        for (int i = 0; i < 4; ++i) { paddedNum(rng_.Range(0, 180) * 110, 5); put(';'); }
        put("HorzGlue=Left;"); eol();
        if (parent) {
            spaces(propIndent); put("ParentControl="); num(parent); put(';'); eol();
        }
        std::uint32_t fi = rng_.Below(kFieldCount);
        if (rng_.Percent(30)) {
            spaces(propIndent); captionMl(propIndent, kFields[fi], fi, false); eol();
        }
        if (rng_.Percent(15)) {
            trigger(propIndent, "OnPush");
            spaces(propIndent); put("SourceExpr="); quoted(kFields[fi].name); put(" }"); eol();
        } else {
            spaces(propIndent); put("SourceExpr="); quoted(kFields[fi].name); put(" }"); eol();
        }
    }

    void form()
    {
        beginBody();
        formProperties("Table");
        line(2, "CONTROLS");
        line(2, "{");
        int id = 1;
        do {
            control(4, id, id > 1 && rng_.Percent(50) ? 1 : 0);
            ++id;
            maybeFlush();
        } while (room(60));
        line(2, "}");
        code(true);
    }

    void page()
    {
        beginBody();
        line(2, "PROPERTIES");
        line(2, "{");
        spaces(4); put("SourceTable=Table"); num(rng_.Range(3, 9000)); put(';'); eol();
        line(4, "PageType=Card;");
        line(2, "}");
        line(2, "CONTROLS");
        line(2, "{");
        line(4, "{ 1900000001;0;Container;");
        line(16, "ContainerType=ContentArea }");
        eol();
        int id = 2;
        do {
            spaces(4); put("{ "); paddedNum(id, 4); put(";2   ;Field     ;"); eol();
            spaces(16); put("SourceExpr="); quoted(kFields[rng_.Below(kFieldCount)].name); put(" }"); eol();
            eol();
            id += 2;
            maybeFlush();
        } while (room(50));
        line(2, "}");
        code(true);
    }

    int objectNumber(Kind kind)
    {
        if (kind == Query && pages_ && lastPage_ > 0 && taken_.insert({Query, lastPage_}).second)
            return lastPage_;
        int number = kind == MenuSuite ? rng_.Range(1010, 1099) : nextNumber_ + rng_.Range(1, 40);
        if (pages_)
            while (!taken_.insert({kind, number}).second)
                ++number;
        if (kind == Page)
            lastPage_ = number;
        return number;
    }

    void query()
    {
        beginBody();
        line(2, "PROPERTIES");
        line(2, "{");
        line(2, "}");
        line(2, "ELEMENTS");
        line(2, "{");
        spaces(4); put("{ 1   ;    ;DataItem;                    ;"); eol();
        spaces(15); put("DataItemTable=Table"); num(rng_.Range(3, 9000)); put(" }"); eol();
        eol();
        int id = 2;
        do {
            spaces(4); put("{ "); paddedNum(id, 4); put(";1   ;Column  ;"); eol();
            spaces(15); put("DataSource="); quoted(kFields[rng_.Below(kFieldCount)].name); put(" }"); eol();
            eol();
            ++id;
            maybeFlush();
        } while (room(50));
        line(2, "}");
        code(true);
    }

    void requestForm()
    {
        line(2, "REQUESTFORM");
        line(2, "{");
        line(4, "PROPERTIES");
        line(4, "{");
        line(6, "Width=9020;");
        line(6, "Height=3410;");
        line(4, "}");
        line(4, "CONTROLS");
        line(4, "{");
        for (int i = rng_.Range(0, 3); i > 0; --i)
            control(6, i, 0);
        line(4, "}");
        line(2, "}");
    }

    void dataItemHead(const char *trig)
    {
        line(4, "{ PROPERTIES");
        line(6, "{");
        spaces(8); put("DataItemTable=Table"); num(rng_.Range(3, 9000)); put(';'); eol();
        if (rng_.Percent(60)) trigger(8, trig);
        spaces(8); put("ReqFilterFields="); put(kFields[rng_.Below(kFieldCount)].name); put(';'); eol();
        line(6, "}");
    }

    void report()
    {
        beginBody();
        line(2, "PROPERTIES");
        line(2, "{");
        if (rng_.Percent(60)) trigger(4, "OnPreReport");
        line(2, "}");
        line(2, "DATAITEMS");
        line(2, "{");
        int id = 1;
        do {
            dataItemHead("OnAfterGetRecord");
            line(6, "SECTIONS");
            line(6, "{");
            for (int s = rng_.Range(1, 4); s > 0; --s) {
                static const char *const kSections[] = {"Header", "Body", "Footer", "GroupHeader", "TransFooter"};
                line(8, "{ PROPERTIES");
                line(10, "{");
                spaces(12); put("SectionType="); put(rng_.Pick(kSections)); put(';'); eol();
                line(12, "SectionWidth=18150;");
                spaces(12); put("SectionHeight="); num(rng_.Range(1, 4) * 423); put(';'); eol();
                line(10, "}");
                line(10, "CONTROLS");
                line(10, "{");
                for (int c = rng_.Range(2, 12); c > 0; --c)
                    control(12, id++, 0);
                line(10, "}");
                line(11, "}");
                maybeFlush();
            }
            line(6, "}");
            line(7, "}");
        } while (room(65));
        line(2, "}");
        requestForm();
        code(true);
    }

    void dataport()
    {
        beginBody();
        line(2, "PROPERTIES");
        line(2, "{");
        line(4, "Import=Yes;");
        line(4, "FieldSeparator=<TAB>;");
        if (rng_.Percent(60)) trigger(4, "OnPreDataport");
        line(2, "}");
        line(2, "DATAITEMS");
        line(2, "{");
        do {
            dataItemHead("OnAfterImportRecord");
            line(6, "FIELDS");
            line(6, "{");
            for (int i = rng_.Range(3, 30); i > 0; --i) {
                spaces(8); put("{      ;     ;"); std::string_view n = kFields[rng_.Below(kFieldCount)].name;
                put('"'); put(n); put('"'); spaces(20 - static_cast<int>(n.size())); put('}'); eol();
            }
            line(6, "}");
            line(7, "}");
            maybeFlush();
        } while (room(50));
        line(2, "}");
        requestForm();
        code(true);
    }

    // A codeunit of one or two text constants and nothing else beyond ASCII.
    void shortCodeunit()
    {
        ++objectCount_;
        put("OBJECT Codeunit ");
        num(nextNumber_ + rng_.Range(1, 40));
        nextNumber_ += 41;
        if (nextNumber_ > 99000)
            nextNumber_ = 3;
        put(" Short Texts"); eol();
        line(0, "{");
        objectProperties();
        line(2, "PROPERTIES"); line(2, "{"); line(2, "}");
        line(2, "CODE"); line(2, "{"); line(4, "VAR");
        for (int t = rng_.Range(1, 2); t > 0; --t) {
            spaces(6); put("Text00"); num(t); put("@100"); num(t); put(" : TextConst '");
            put(shortTexts_[rng_.Below(static_cast<std::uint32_t>(shortTexts_.size()))]); put("';"); eol();
        }
        eol(); line(4, "BEGIN"); line(4, "END."); line(2, "}");
        line(0, "}");
        eol();
        maybeFlush();
    }

    void codeunit()
    {
        beginBody();
        line(2, "PROPERTIES");
        line(2, "{");
        if (rng_.Percent(50)) {
            spaces(4); put("TableNo="); num(rng_.Range(3, 9000)); put(';'); eol();
        }
        trigger(4, "OnRun");
        line(2, "}");
        code(true);
    }

    void xmlport()
    {
        beginBody();
        line(2, "PROPERTIES");
        line(2, "{");
        line(4, "Direction=Import;");
        line(4, "Encoding=UTF-8;");
        line(2, "}");
        line(2, "ELEMENTS");
        line(2, "{");
        spaces(4); put("{ "); guid(); put(";  ;Root                ;Element ;Text    }"); eol();
        eol();
        do {
            spaces(4); put("{ "); guid(); put(";1 ;Record              ;Element ;Table   ;"); eol();
            spaces(50); put("SourceTable=Table"); num(rng_.Range(3, 9000)); put(" }"); eol();
            eol();
            for (int i = rng_.Range(2, 15); i > 0; --i) {
                const FieldDef &f = kFields[rng_.Below(kFieldCount)];
                std::string tag;
                for (const char *p = f.name; *p; ++p)
                    if ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z') || (*p >= '0' && *p <= '9'))
                        tag += *p;
                spaces(4); put("{ "); guid(); put(";2 ;"); padded(tag, 20); put(";Element ;Field   ;"); eol();
                spaces(50); put("DataType=Text;"); eol();
                spaces(50); put("SourceField=Record::"); put(f.name); put(" }"); eol();
                eol();
            }
            maybeFlush();
        } while (room(60));
        line(2, "}");
        line(2, "EVENTS");
        line(2, "{");
        line(2, "}");
        code(true);
    }

    void menuSuite()
    {
        beginBody();
        line(2, "PROPERTIES");
        line(2, "{");
        line(2, "}");
        line(2, "MENUNODES");
        line(2, "{");
        do {
            static const char *const kRunKinds[] = {"Form", "Report", "Codeunit", "Dataport", "XMLport"};
            std::uint32_t fi = rng_.Below(kFieldCount);
            spaces(4); put("{ MenuItem       ;"); guid(); put(" ;Name="); put(rng_.Pick(kNameWords)); put(';'); eol();
            spaces(32); captionMl(32, kFields[fi], fi, false); eol();
            spaces(32); put("MemberOfMenu="); guid(); put(';'); eol();
            spaces(32); put("RunObjectType="); put(rng_.Pick(kRunKinds)); put(';'); eol();
            spaces(32); put("RunObjectID="); num(rng_.Range(3, 9000)); put(';'); eol();
            spaces(32); put("ParentNodeID="); guid(); put(';'); eol();
            spaces(32); put("Visible=Yes;"); eol();
            spaces(32); put("NextNodeID="); guid(); put(" }"); eol();
            maybeFlush();
        } while (room());
        line(2, "}");
    }

    struct Words {
        std::vector<std::string> comments;
        std::vector<std::string> textConsts;
        std::vector<std::string> captions;
    };
    void setEncoding(Encoding encoding)
    {
        comments_ = &words_[encoding].comments;
        textConsts_ = &words_[encoding].textConsts;
        captions_ = &words_[encoding].captions;
    }

    std::FILE *file_;
    Rng rng_;
    bool mix_;
    bool shortMixed_;
    std::vector<std::string> shortTexts_;
    bool pages_;
    std::set<std::pair<int, int>> taken_; // kind and number, with --pages
    int lastPage_ = 0;
    Words words_[EncodingCount];
    const std::vector<std::string> *comments_ = &words_[Cp850].comments;
    const std::vector<std::string> *textConsts_ = &words_[Cp850].textConsts;
    const std::vector<std::string> *captions_ = &words_[Cp850].captions;
    std::string out_;
    std::uint64_t written_ = 0;
    std::uint64_t end_ = 0;
    std::uint64_t bodyStart_ = 0;
    std::uint64_t objectCount_ = 0;
    int nextNumber_ = 3;
    bool ok_ = true;
};

int usage()
{
    std::fputs("usage: gen_objects [--mix | --short-mixed] [--pages] SIZE_MB OUTFILE [SEED]\n"
               "  writes about SIZE_MB MiB of synthetic object text to OUTFILE (\"-\" for stdout);\n"
               "  --mix: some objects in Windows 1252 and UTF-8 instead of code page 850\n"
               "  --short-mixed: all in code page 850, some short codeunits of Spanish, French, signs\n"
               "  --pages: many pages and queries, queries sharing pages' numbers, no kind and number twice\n",
               stderr);
    return 2;
}

struct FileCloser {
    void operator()(std::FILE *f) const { if (f && f != stdout) std::fclose(f); }
};

} // namespace

int main(int argc, char **argv)
{
    bool mix = false, shortMixed = false, pages = false;
    while (argc > 1 && std::strncmp(argv[1], "--", 2) == 0) {
        if (std::strcmp(argv[1], "--mix") == 0)
            mix = true;
        else if (std::strcmp(argv[1], "--short-mixed") == 0)
            shortMixed = true;
        else if (std::strcmp(argv[1], "--pages") == 0)
            pages = true;
        else
            return usage();
        --argc;
        ++argv;
    }
    if (argc < 3 || argc > 4)
        return usage();
    char *end = nullptr;
    double sizeMb = std::strtod(argv[1], &end);
    if (end == argv[1] || *end != '\0' || !(sizeMb >= 0) || sizeMb > 1e6)
        return usage();
    std::uint64_t seed = 1;
    if (argc == 4) {
        seed = std::strtoull(argv[3], &end, 10);
        if (end == argv[3] || *end != '\0')
            return usage();
    }

    bool toStdout = std::strcmp(argv[2], "-") == 0;
    std::unique_ptr<std::FILE, FileCloser> file(toStdout ? stdout : std::fopen(argv[2], "wb"));
    if (!file) {
        std::fprintf(stderr, "gen_objects: cannot create %s: %s\n", argv[2], std::strerror(errno));
        return 1;
    }
    Generator gen(file.get(), seed, mix, pages, shortMixed);
    bool ok = gen.run(static_cast<std::uint64_t>(sizeMb * kMiB), seed);
    std::FILE *raw = file.release();
    if (raw != stdout) {
        if (std::fclose(raw) != 0)
            ok = false;
    } else if (std::fflush(raw) != 0) {
        ok = false;
    }
    if (!ok) {
        std::fprintf(stderr, "gen_objects: write error on %s: %s\n", argv[2], std::strerror(errno));
        return 1;
    }
    std::fprintf(stderr, "gen_objects: %llu bytes, %llu objects\n",
                 static_cast<unsigned long long>(gen.total()), static_cast<unsigned long long>(gen.objects()));
    return 0;
}
