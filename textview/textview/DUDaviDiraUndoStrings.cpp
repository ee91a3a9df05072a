#include "textview/textview/DUDaviDiraUndoStrings.h"

#include <map>
#include <string>

#include "platform/foundation/files/Bundle.h"
#include "platform/foundation/time/Locale.h"

namespace textview {

namespace {

struct Row {
  const char* identifier;
  const char* strings[5];
};

// cancel, redo, redo typing, undo, undo typing
constexpr Row kRows[] = {
    {"ar", {"إلغاء", "إعادة", "إعادة الكتابة", "تراجع", "تراجع عن الكتابة"}},
    {"ca", {"Cancel·lar", "Refer", "Refer l’escriptura", "Desfer", "Desfer l’escriptura"}},
    {"cs", {"Zrušit", "Opakovat akci", "Opakovat akci Psát", "Odvolat akci", "Odvolat akci Psát"}},
    {"da", {"Annuller", "Gentag", "Gentag Indtastning", "Fortryd", "Fortryd Indtastning"}},
    {"de", {"Abbrechen", "Wiederholen", "Eingabe wiederholen", "Widerrufen", "Eingabe widerrufen"}},
    {"el", {"Ακύρωση", "Επανάληψη", "Επανάληψη πληκτρολόγησης", "Αναίρεση", "Αναίρεση πληκτρολόγησης"}},
    {"en", {"Cancel", "Redo", "Redo Typing", "Undo", "Undo Typing"}},
    {"es", {"Cancelar", "Rehacer", "Rehacer escritura", "Deshacer", "Deshacer escritura"}},
    {"es_MX", {"Cancelar", "Rehacer", "Rehacer escritura", "Deshacer", "Deshacer escritura"}},
    {"fi", {"Kumoa", "Tee sittenkin", "Kirjoita sittenkin", "Peru", "Peru kirjoitus"}},
    {"fr", {"Annuler", "Rétablir", "Rétablir la saisie", "Annuler", "Annuler la saisie"}},
    {"he", {"ביטול", "חזור על הפעולה האחרונה", "חזור על הקלדה", "בטל", "בטל הקלדה"}},
    {"hr", {"Odustani", "Ponovi", "Ponovno upiši", "Poništi", "Poništi upisivanje"}},
    {"hu", {"Mégsem", "Ismétlés", "Gépelés ismétlése", "Visszavonás", "Gépelés visszavonása"}},
    {"id", {"Batalkan", "Ulang", "Ulang Pengetikan", "Kembalikan", "Batalkan Pengetikan"}},
    {"it", {"Annulla", "Ripristina originale", "Ripristina Inserimento", "Annulla", "Annulla Inserimento"}},
    {"ja", {"キャンセル", "やり直す", "やり直す - 入力", "取り消す", "取り消す - 入力"}},
    {"ko", {"취소", "실행 복귀", "입력 복귀", "실행 취소", "입력 실행 취소"}},
    {"ms", {"Batal", "Buat semula", "Ulang Penaipan", "Buat asal", "Buat asal Penaipan"}},
    {"nb", {"Avbryt", "Utfør likevel", "Utfør skriving likevel", "Angre", "Angre skriving"}},
    {"nl", {"Annuleer", "Opnieuw", "Opnieuw typen", "Herstel", "Herstel typen"}},
    {"pl", {"Anuluj", "Przywróć", "Przywróć Wpisz", "Cofnij", "Cofnij Wpisz"}},
    {"pt", {"Cancelar", "Refazer", "Refazer Digitação", "Desfazer", "Desfazer Digitação"}},
    {"pt_PT", {"Cancelar", "Refazer", "Refazer digitar", "Desfazer", "Desfazer digitar"}},
    {"ro", {"Renunță", "Refă", "Refă tastare", "Anulează", "Anulează tastare"}},
    {"ru", {"Отменить", "Повторить", "Повторить набор на клавиатуре", "Отменить", "Отменить набор на клавиатуре"}},
    {"sk", {"Zrušiť", "Obnoviť", "Obnoviť písanie", "Odvolať", "Odvolať písanie"}},
    {"sv", {"Avbryt", "Gör om", "Gör om skriven text", "Ångra", "Ångra skriven text"}},
    {"th", {"ยกเลิก", "ทำกลับมาใหม่", "ป้อนกลับมาใหม่", "เลิกทำ", "เลิกป้อน"}},
    {"tr", {"Vazgeç", "Yinele", "Yazmayı Yinele", "Geri Al", "Yazmayı Geri Al"}},
    {"uk", {"Скасувати", "Повторити", "Повторити введення", "Відмінити", "Відмінити введення"}},
    {"vi", {"Hủy", "Làm lại", "Làm lại thao tác Nhập", "Hoàn tác", "Hoàn tác thao tác Nhập"}},
    {"zh", {"取消", "重做", "重做键入", "撤销", "撤销键入"}},
    {"zh_CN", {"取消", "重做", "重做键入", "撤销", "撤销键入"}},
    {"zh_HK", {"取消", "重做", "重做輸入", "還原", "還原輸入"}},
    {"zh_TW", {"取消", "重做", "重做輸入", "還原", "還原輸入"}},
};

const Row* rowFor(const std::string& identifier) {
  for (const auto& row : kRows)
    if (identifier == row.identifier) return &row;
  return nullptr;
}

DUDaviDiraUndoStrings stringsOf(const Row& row) {
  DUDaviDiraUndoStrings out;
  for (size_t i = 0; i < out.size(); ++i) out[i] = rt::String(row.strings[i]);
  return out;
}

}  // namespace

DUDaviDiraUndoStrings undoStringsForLocalization(const rt::String& preferred) {
  rt::String name = preferred.length() > 0 ? preferred : rt::String("English");
  std::string identifier = fd::Locale::canonicalLocaleIdentifierFromString(name).utf8();
  if (identifier.empty()) identifier = "en";
  const Row* row = rowFor(identifier);
  if (!row) {
    size_t underscore = identifier.find('_');
    if (underscore != std::string::npos && underscore > 0) row = rowFor(identifier.substr(0, underscore));
  }
  if (!row) row = rowFor("en");
  return stringsOf(*row);
}

const DUDaviDiraUndoStrings& localizedUndoStrings() {
  static const DUDaviDiraUndoStrings strings = [] {
    auto bundle = fd::Bundle::mainBundle();
    std::vector<rt::String> preferred;
    if (bundle) preferred = bundle->preferredLocalizations();
    return undoStringsForLocalization(preferred.empty() ? rt::String() : preferred.front());
  }();
  return strings;
}

}  // namespace textview
