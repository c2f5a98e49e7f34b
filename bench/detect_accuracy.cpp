// detect_accuracy: how often codepages::Detect reads generated objects right.
//
//   detect_accuracy [--show] [OBJECTS_PER_ROW] [SEED]
//
// For every language (and two pairs of languages side by side in one object,
// as databases with several languages export them) and each of its usual
// encodings (its DOS code page, its Windows code page, UTF-8) it writes OBJECTS_PER_ROW objects (default 500) of
// realistic shape whose captions and comments come from the language's word
// list, runs Detect on each, and counts an object right when decoding its bytes
// with the detected encoding gives back the text written. It prints the
// confusion table (rows: language and encoding written; columns: encodings
// detected; "ascii" when an object holds no letter beyond ASCII, which reads
// right in any encoding) and the share of objects read right. With --show it
// also prints the words beyond ASCII of every object read wrong, as written and
// as read. The same seed gives the same objects.
//
// Besides the long objects, rows of short ones as real exports are full of:
// a text constant or two mixing Spanish, French and English, and objects
// whose only bytes beyond ASCII are signs (£, º, ª, ´, ¿, °). Then every row
// is read again as part of an export: the objects of all rows written in one
// encoding make one file, detected as a whole (TFileEncodings), and the last
// column gives the share each row reads right that way. Exit status 1 when
// the file-level share is below 98 %.

#include "core/codepages.h"
#include "core/fileencodings.h"

#include "benchrandom.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using codepages::TEncoding;

using Rng = TBenchRandom;

struct Language {
    std::string name;      // short name in the table
    const char *tag;       // language tag of a caption
    TEncoding dos, windows;
    std::vector<std::string> words;  // UTF-8; a few plain ones, as real captions have
};

const std::vector<Language> kLanguages = {
    {"Danish", "DAN", TEncoding::Cp850, TEncoding::Cp1252,
     {"Periodelængde", "Beløb", "Bogføringsdato", "Kølager", "Søgenavn", "Værdi", "Kunde", "Sælger",
      "Beskrivelse", "Lagerbeholdning", "Momsbeløb", "Indkøbsordre", "Købsfaktura", "Salgsfaktura",
      "Løbenummer", "Forfaldsdato", "Økonomi", "Åben", "Påmindelse", "Rabatbeløb", "Enhedspris",
      "Udløbsdato", "Modtagelse", "Betalingsbetingelser", "Spærret", "Varekladde", "Finanskonto",
      "Bemærkning", "Ændret", "Størrelse", "Medarbejder", "Leverandør", "Kontoudtog", "Udgående",
      "Indgående", "Næste", "Gælder", "før", "efter", "på", "til", "og", "må", "ikke", "være",
      "større", "end", "nul", "Afdeling", "Lokation"}},
    {"German", "DEU", TEncoding::Cp850, TEncoding::Cp1252,
     {"Periodenlänge", "Betrag", "Buchungsdatum", "Währungscode", "Fälligkeitsdatum", "Verkäufer",
      "Größe", "Lagerortcode", "Übernahme", "Änderung", "Prüfung", "Schlüssel", "Geschäftsbuchungsgruppe",
      "Zuständigkeitseinheit", "Menge", "Beschreibung", "Rückstand", "Lieferung", "Gesperrt",
      "Bemerkung", "Einkäufer", "Straße", "Maßeinheit", "Kostenstelle", "Zahlungsbedingung", "Mahnung",
      "Überweisung", "Gültig", "für", "über", "nächste", "Kürzel", "Büro", "Einstandspreis",
      "Auftragsmenge", "Rabatt", "ist", "muss", "größer", "als", "sein", "nicht", "löschen", "Zeile",
      "wählen", "Ursache", "Außendienst", "Verkaufsförderung"}},
    {"French", "FRA", TEncoding::Cp850, TEncoding::Cp1252,
     {"Montant", "Période", "Échéance", "Référence", "Date de comptabilisation", "Écriture", "Fournisseur",
      "Client", "Quantité", "Désignation", "Numéro", "Société", "Reçu", "Créé", "Modifié", "Dernière",
      "Débit", "Crédit", "Règlement", "Remise", "Prix unitaire", "Entrepôt", "Bloqué", "Commentaire",
      "Catégorie", "Tâche", "Paramètres", "Relevé", "Solde", "Taux", "Devise", "Sélectionner", "Élément",
      "à", "où", "déjà", "supérieur", "doit", "être", "ne", "pas", "Coût", "Mise à jour", "Août",
      "Noël", "Maïs", "Boîte", "Génération", "Reçus", "Caractère"}},
    {"Spanish", "ESP", TEncoding::Cp850, TEncoding::Cp1252,
     {"Período", "Descripción", "Importe", "Fecha de registro", "Año", "Número", "Línea", "Código",
      "Almacén", "Dirección", "Teléfono", "Pedido", "Albarán", "Compañía", "Depósito", "Crédito",
      "Débito", "Acción", "Configuración", "Categoría", "Unidad", "Cálculo", "Días", "Mañana",
      "Pequeño", "Diseño", "Próximo", "Último", "Aquí", "también", "está", "más", "según", "después",
      "no", "debe", "ser", "mayor", "que", "cero", "¿Desea eliminar?", "Vendedor", "Cliente",
      "Proveedor", "Razón", "Envío", "Bloqueado", "Contraseña", "Método", "Ubicación"}},
    {"Czech", "CSY", TEncoding::Cp852, TEncoding::Cp1250,
     {"Číslo", "Částka", "Datum zúčtování", "Období", "Délka", "Množství", "Popis", "Zákazník",
      "Dodavatel", "Účet", "Měna", "Sklad", "Řádek", "Faktura", "Prodej", "Nákup", "Zboží", "Středisko",
      "Poznámka", "Splatnost", "Příjem", "Výdej", "Uživatel", "Změna", "Úprava", "Hodnota", "Cena",
      "Sleva", "Daň", "Ověření", "Zpráva", "Dokončeno", "Chyba", "Nelze", "musí", "být", "větší", "než",
      "nula", "Předchozí", "Další", "Ďábel", "Kůň", "Žádný", "Oddělení", "Umístění", "Šablona",
      "Vedoucí", "Objednávka", "Dodací"}},
    {"Polish", "PLK", TEncoding::Cp852, TEncoding::Cp1250,
     {"Numer", "Kwota", "Data księgowania", "Okres", "Długość", "Ilość", "Opis", "Odbiorca", "Dostawca",
      "Konto", "Waluta", "Magazyn", "Wiersz", "Faktura", "Sprzedaż", "Zakup", "Towar", "Uwagi",
      "Termin płatności", "Przyjęcie", "Wydanie", "Użytkownik", "Zmiana", "Wartość", "Cena", "Rabat",
      "Podatek", "Błąd", "Następny", "Poprzedni", "Źródło", "Żądanie", "Ścieżka", "Łączna", "musi",
      "być", "większa", "niż", "zero", "Usunąć", "Wybierz", "Miejscowość", "Spółka", "Główny",
      "Dział", "Lokalizacja", "Zamówienie", "Szablon", "Kierownik", "Należność"}},
    {"Russian", "RUS", TEncoding::Cp866, TEncoding::Cp1251,
     {"Номер", "Сумма", "Дата учета", "Период", "Длина", "Количество", "Описание", "Клиент", "Поставщик",
      "Счет", "Валюта", "Склад", "Строка", "Счет-фактура", "Продажа", "Покупка", "Товар", "Примечание",
      "Срок оплаты", "Поступление", "Отгрузка", "Пользователь", "Изменение", "Значение", "Цена", "Скидка",
      "Налог", "Ошибка", "Следующий", "Предыдущий", "должно", "быть", "больше", "нуля", "Удалить",
      "Выберите", "Журнал", "Ёмкость", "Подъезд", "Объект", "Эффект", "Щит", "Фильтр", "Юридический",
      "Отдел", "Место", "Заказ", "Шаблон", "Руководитель", "Задолженность"}},
    {"Greek", "ELL", TEncoding::Cp737, TEncoding::Cp1253,
     {"Αριθμός", "Ποσό", "Ημερομηνία καταχώρησης", "Περίοδος", "Μήκος", "Ποσότητα", "Περιγραφή",
      "Πελάτης", "Προμηθευτής", "Λογαριασμός", "Νόμισμα", "Αποθήκη", "Γραμμή", "Τιμολόγιο", "Πώληση",
      "Αγορά", "Είδος", "Σχόλιο", "Λήξη", "Παραλαβή", "Αποστολή", "Χρήστης", "Αλλαγή", "Αξία", "Τιμή",
      "Έκπτωση", "Φόρος", "Σφάλμα", "Επόμενο", "Προηγούμενο", "πρέπει", "να", "είναι", "μεγαλύτερο",
      "από", "μηδέν", "Διαγραφή", "Επιλέξτε", "Ζώνη", "Ξένο", "Ημερολόγιο", "Κωδικός", "Τμήμα",
      "Θέση", "Παραγγελία", "Πρότυπο", "Υπεύθυνος", "Οφειλή", "Ψηφίο", "Ώρα"}},
    {"Portuguese", "PTG", TEncoding::Cp860, TEncoding::Cp1252,
     {"Número", "Descrição", "Data de registo", "Período", "Quantidade", "Cliente", "Fornecedor", "Conta",
      "Moeda", "Armazém", "Linha", "Fatura", "Vendas", "Compras", "Artigo", "Observação", "Vencimento",
      "Receção", "Expedição", "Utilizador", "Alteração", "Valor", "Preço", "Desconto", "Imposto", "Erro",
      "Seguinte", "Anterior", "não", "deve", "ser", "maior", "que", "zero", "Eliminar", "Selecione",
      "Diário", "Código", "Endereço", "Configuração", "Informação", "Situação", "Município", "Crédito",
      "Débito", "Armazéns", "Ações", "Opções", "Países", "Mês"}},
    {"Turkish", "TRK", TEncoding::Cp857, TEncoding::Cp1254,
     {"Numara", "Tutar", "Kayıt tarihi", "Dönem", "Uzunluk", "Miktar", "Açıklama", "Müşteri", "Satıcı",
      "Hesap", "Para birimi", "Depo", "Satır", "Fatura", "Satış", "Satınalma", "Madde", "Not", "Vade tarihi",
      "Giriş", "Çıkış", "Kullanıcı", "Değişiklik", "Değer", "Fiyat", "İndirim", "Vergi", "Hata", "Sonraki",
      "Önceki", "olmalı", "sıfırdan", "büyük", "Sil", "Seçin", "Günlük", "Kod", "Adres", "Yapılandırma",
      "Bilgi", "Şehir", "Ülke", "Şirket", "İşlem", "Ödeme", "Gönderi", "Ürün", "Sipariş", "Yönetici", "Borç"}},
    {"Lithuanian", "LTH", TEncoding::Cp775, TEncoding::Cp1257,
     {"Numeris", "Suma", "Registravimo data", "Laikotarpis", "Ilgis", "Kiekis", "Aprašas", "Klientas",
      "Tiekėjas", "Sąskaita", "Valiuta", "Sandėlis", "Eilutė", "Sąskaita faktūra", "Pardavimas", "Pirkimas",
      "Prekė", "Pastaba", "Mokėjimo terminas", "Gavimas", "Išsiuntimas", "Vartotojas", "Pakeitimas",
      "Vertė", "Kaina", "Nuolaida", "Mokestis", "Klaida", "Kitas", "Ankstesnis", "turi", "būti", "didesnis",
      "už", "nulį", "Ištrinti", "Pasirinkite", "Žurnalas", "Kodas", "Adresas", "Nustatymai", "Šalis",
      "Įmonė", "Užsakymas", "Vadovas", "Skola", "Įrašas", "Šablonas", "Padalinys", "Vieta"}},
};

// Files exported from a database with several languages hold captions in each.
Language mixed(const Language &first, const Language &second)
{
    Language both = first;
    both.name = std::string(first.name) + "+" + second.name;
    both.words.insert(both.words.end(), second.words.begin(), second.words.end());
    return both;
}

std::vector<Language> withMixedLanguages(std::vector<Language> languages)
{
    const Language danish = languages[0], german = languages[1], french = languages[2];
    languages.push_back(mixed(danish, german));
    languages.push_back(mixed(german, french));
    return languages;
}

const std::vector<std::string> kEnglish = {
    "No.", "Amount", "Posting Date", "Period Length", "Quantity", "Description", "Customer", "Vendor",
    "Account", "Currency Code", "Location", "Line No.", "Invoice", "Sales", "Purchase", "Item",
    "Comment", "Due Date", "Receipt", "Shipment", "User ID", "Change", "Value", "Unit Price",
};
const std::vector<std::string> kFieldTypes = {"Code20", "Text50", "Decimal", "Date", "Integer",
                                              "Option", "Boolean", "Code10", "Text30"};

std::string phrase(Rng &rng, const std::vector<std::string> &words, int lo, int hi)
{
    std::string out;
    for (int n = rng.Range(lo, hi); n > 0; --n) {
        if (!out.empty())
            out += ' ';
        out += rng.Pick(words);
    }
    return out;
}

// One table object in UTF-8: a few fields, each with an English and a local
// caption, and now and then a comment in the local language.
std::string makeObject(Rng &rng, const Language &lang, int number)
{
    std::string o = "OBJECT Table " + std::to_string(number) + " " + phrase(rng, kEnglish, 1, 2) + "\r\n";
    o += "{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=14.03.19;\r\n    Time=12:00:00;\r\n"
         "    Version List=NAVW17.00;\r\n  }\r\n  PROPERTIES\r\n  {\r\n";
    o += "    CaptionML=[ENU=" + phrase(rng, kEnglish, 1, 2) + ";\r\n               " + lang.tag + "=" +
         phrase(rng, lang.words, 1, 2) + "];\r\n  }\r\n  FIELDS\r\n  {\r\n";
    const int fields = rng.Range(0, 12);
    for (int f = 1; f <= fields; ++f) {
        o += "    { " + std::to_string(f) + "   ;   ;" + phrase(rng, kEnglish, 1, 2) + "   ;" +
             rng.Pick(kFieldTypes) + "   ;CaptionML=[ENU=" + phrase(rng, kEnglish, 1, 2) + ";\r\n" +
             "                                                   " + lang.tag + "=" +
             phrase(rng, lang.words, 1, 3) + "] }\r\n";
        if (rng.Below(6) == 0)
            o += "    // " + phrase(rng, lang.words, 2, 7) + "\r\n";
    }
    o += "  }\r\n  KEYS\r\n  {\r\n    {    ;No.                                     ;Clustered=Yes }\r\n  }\r\n"
         "  CODE\r\n  {\r\n\r\n    BEGIN\r\n    END.\r\n  }\r\n}\r\n";
    return o;
}

// Short objects: a codeunit with a text constant or two. Kind of words, for
// the rows below.
const Language kShortMixed = {"Short ES+FR", "ESP", TEncoding::Cp850, TEncoding::Cp1252,
    {"¿Confirma", "¿Desea continuar?", "Cliente nº", "Año", "fenêtres", "Fermer les fenêtres", "Société",
     "Quantité", "Número", "está", "Reçu", "Posting", "Customer", "Déjà", "Envío", "Prix TTC", "Total",
     "Modifié", "Línea", "Créé"}};
const Language kSymbolsOnly = {"Symbols", "ENU", TEncoding::Cp850, TEncoding::Cp1252,
    {"£", "nº", "ª", "Customer´s", "¿", "°C", "Amount (£)", "No. nº", "Vendor´s", "1ª", "20°"}};

std::string makeShortObject(Rng &rng, const Language &lang, int number)
{
    std::string o = "OBJECT Codeunit " + std::to_string(number) + " " + phrase(rng, kEnglish, 1, 2) +
                    "\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=14.03.19;\r\n    Time=12:00:00;\r\n  }\r\n"
                    "  PROPERTIES\r\n  {\r\n  }\r\n  CODE\r\n  {\r\n    VAR\r\n";
    for (int t = rng.Range(1, 2); t > 0; --t)
        o += "      Text00" + std::to_string(t) + "@100" + std::to_string(t) + " : TextConst '" + lang.tag + "=" +
             phrase(rng, lang.words, 1, 2) + " %1;ENU=" + phrase(rng, kEnglish, 1, 2) + " %1';\r\n";
    o += "\r\n    BEGIN\r\n    END.\r\n  }\r\n}\r\n";
    return o;
}

bool isAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// The words of a UTF-8 text that hold a character beyond ASCII.
std::string wordsBeyondAscii(const std::string &text)
{
    std::string out, word;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : ' ';
        if (c == ' ' || c == '\r' || c == '\n' || c == '=' || c == ';' || c == ']') {
            if (!isAscii(word))
                out += (out.empty() ? "" : " ") + word;
            word.clear();
        } else {
            word += c;
        }
    }
    return out;
}

}  // namespace

int main(int argc, char **argv)
{
    const bool show = argc > 1 && std::string_view(argv[1]) == "--show";
    if (show) {
        --argc;
        ++argv;
    }
    const int perRow = argc > 1 ? std::atoi(argv[1]) : 500;
    const std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
    if (perRow <= 0) {
        std::fprintf(stderr, "usage: detect_accuracy [--show] [OBJECTS_PER_ROW] [SEED]\n");
        return 2;
    }
    Rng rng(seed);

    struct Row {
        std::string label;
        TEncoding written;
        std::map<TEncoding, int> detected;
        int right = 0, rightInFile = 0;
        std::vector<std::string> texts, encoded;  // as written (UTF-8), as stored
    };
    std::vector<Row> rows;
    const std::size_t labelWidth = 22;
    std::map<TEncoding, bool> columns;
    int total = 0, right = 0;
    double seconds = 0;
    std::uint64_t bytes = 0;
    const auto readsRight = [](const std::string &text, const std::string &encoded, std::optional<TEncoding> found) {
        return found ? codepages::DecodeToUtf8(encoded, *found) == text : isAscii(text);
    };
    std::vector<std::pair<Language, bool>> kinds;  // the language, short objects
    for (const Language &lang : withMixedLanguages(kLanguages))
        kinds.emplace_back(lang, false);
    kinds.emplace_back(kShortMixed, true);
    kinds.emplace_back(kSymbolsOnly, true);
    for (const auto &[lang, isShort] : kinds) {
        for (const TEncoding written : {lang.dos, lang.windows, TEncoding::Utf8}) {
            Row row{lang.name + " " + std::string(codepages::Name(written)), written, {}, 0, 0, {}, {}};
            for (int i = 0; i < perRow; ++i) {
                const std::string text = isShort ? makeShortObject(rng, lang, 50000 + i) : makeObject(rng, lang, 50000 + i);
                const auto encoded = codepages::EncodeUtf8(text, written);
                if (!encoded) {
                    std::fprintf(stderr, "%s: a word cannot be written in %s\n", lang.name.c_str(),
                                 std::string(codepages::Name(written)).c_str());
                    return 2;
                }
                const auto start = std::chrono::steady_clock::now();
                const auto found = codepages::Detect(*encoded);
                seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                bytes += encoded->size();
                const TEncoding detected = found.value_or(TEncoding::Latin1);
                ++row.detected[detected];
                columns[detected] = true;
                const bool ok = readsRight(text, *encoded, found);
                if (show && !ok)
                    std::printf("%s read as %s:\n  %s\n  %s\n", row.label.c_str(),
                                std::string(codepages::Name(detected)).c_str(), wordsBeyondAscii(text).c_str(),
                                wordsBeyondAscii(codepages::DecodeToUtf8(*encoded, detected)).c_str());
                row.right += ok;
                right += ok;
                ++total;
                row.texts.push_back(text);
                row.encoded.push_back(*encoded);
            }
            rows.push_back(std::move(row));
        }
    }

    // One export per encoding written: all rows of that encoding, one after the other.
    int rightInFile = 0;
    std::map<TEncoding, std::optional<TEncoding>> fileCodePages;
    std::map<TEncoding, TFileEncodings> files;
    for (const Row &row : rows)
        for (const std::string &encoded : row.encoded)
            files[row.written].Add(encoded);
    std::map<TEncoding, std::int32_t> nextIndex;
    for (Row &row : rows) {
        const TFileEncodings &file = files[row.written];
        fileCodePages[row.written] = file.CodePage();
        for (std::size_t i = 0; i < row.encoded.size(); ++i) {
            const std::optional<TEncoding> found = file.ForObject(nextIndex[row.written]++);
            const bool ok = readsRight(row.texts[i], row.encoded[i], found);
            if (show && !ok)
                std::printf("%s in its export read as %s:\n  %s\n", row.label.c_str(),
                            found ? std::string(codepages::Name(*found)).c_str() : "ascii",
                            wordsBeyondAscii(row.texts[i]).c_str());
            row.rightInFile += ok;
            rightInFile += ok;
        }
    }

    std::printf("%-*s", int(labelWidth), "written \\ read");
    for (const auto &column : columns)
        std::printf(" %7s", column.first == TEncoding::Latin1 ? "ascii"
                                                               : std::string(codepages::Name(column.first)).c_str());
    std::printf("   right  in file\n");
    for (const Row &row : rows) {
        std::printf("%-*s", int(labelWidth), row.label.c_str());
        for (const auto &column : columns) {
            const auto it = row.detected.find(column.first);
            if (it == row.detected.end())
                std::printf(" %7s", ".");
            else
                std::printf(" %7d", it->second);
        }
        std::printf("  %5.1f %%  %5.1f %%\n", 100.0 * row.right / perRow, 100.0 * row.rightInFile / perRow);
    }
    const double share = 100.0 * right / total, shareInFile = 100.0 * rightInFile / total;
    std::printf("\n%d objects, %d read right alone: %.2f %%, %d in their export: %.2f %% (target 98 %%)\n", total,
                right, share, rightInFile, shareInFile);
    for (const auto &[written, codePage] : fileCodePages)
        std::printf("export in %s read as %s\n", std::string(codepages::Name(written)).c_str(),
                    codePage ? std::string(codepages::Name(*codePage)).c_str() : "no code page");
    std::printf("Detect: %.1f MB in %.3f s\n", bytes / 1e6, seconds);
    return shareInFile >= 98.0 ? 0 : 1;
}
