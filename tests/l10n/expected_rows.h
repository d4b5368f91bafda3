// The expected texts of the string tables, written here a second time on purpose: this is the
// independent expectation the compiled resources are checked against, copied character for
// character from the product's own list of texts, never generated from resources/strings. Shared
// by the native tests (on the resource file windres compiles) and the Windows tests (on the
// resources linked into the test program).
#pragma once

#include <cstdint>

struct ExpectedRow {
  std::uint16_t language;
  const char16_t* sizeFigures;   // 104
  const char16_t* windowsError;  // 110
  const char16_t* tryAgain;      // 111
  const char16_t* cancel;        // 112
  const char16_t* close;         // 113
};

// Every table language, in ascending LANGID order.
inline constexpr ExpectedRow kExpectedRows[] = {
    {0x0002, u"%1 от %2 MB", u"Windows съобщи за грешка %1.", u"Опитайте отново", u"Отказ",
     u"Затвори"},
    {0x0004, u"已下载 %1 MB，共 %2 MB", u"Windows 报告了错误 %1。", u"重试", u"取消", u"关闭"},
    {0x0005, u"%1 z %2 MB", u"Windows ohlásil chybu %1.", u"Zkusit znovu", u"Zrušit", u"Zavřít"},
    {0x0006, u"%1 af %2 MB", u"Windows rapporterede fejl %1.", u"Prøv igen", u"Annuller", u"Luk"},
    {0x0007, u"%1 von %2 MB", u"Windows hat den Fehler %1 gemeldet.", u"Erneut versuchen",
     u"Abbrechen", u"Schließen"},
    {0x0008, u"%1 από %2 MB", u"Τα Windows ανέφεραν το σφάλμα %1.", u"Δοκιμάστε ξανά", u"Άκυρο",
     u"Κλείσιμο"},
    {0x000A, u"%1 de %2 MB", u"Windows notificó el error %1.", u"Reintentar", u"Cancelar",
     u"Cerrar"},
    {0x000B, u"%1 / %2 MB", u"Windows ilmoitti virheen %1.", u"Yritä uudelleen", u"Peruuta",
     u"Sulje"},
    {0x000C, u"%1 sur %2 Mo", u"Windows a signalé l'erreur %1.", u"Réessayer", u"Annuler",
     u"Fermer"},
    {0x000E, u"%1 / %2 MB", u"A Windows a(z) %1 hibát jelezte.", u"Újrapróbálás", u"Mégse",
     u"Bezárás"},
    {0x0010, u"%1 di %2 MB", u"Windows ha segnalato l'errore %1.", u"Riprova", u"Annulla",
     u"Chiudi"},
    {0x0013, u"%1 van %2 MB", u"Windows meldde fout %1.", u"Opnieuw proberen", u"Annuleren",
     u"Sluiten"},
    {0x0018, u"%1 din %2 MB", u"Windows a raportat eroarea %1.", u"Încercați din nou", u"Anulare",
     u"Închidere"},
    {0x001B, u"%1 z %2 MB", u"Windows nahlásil chybu %1.", u"Skúsiť znova", u"Zrušiť", u"Zavrieť"},
    {0x001D, u"%1 av %2 MB", u"Windows rapporterade fel %1.", u"Försök igen", u"Avbryt", u"Stäng"},
    {0x0024, u"%1 od %2 MB", u"Windows je sporočil napako %1.", u"Poskusi znova", u"Prekliči",
     u"Zapri"},
    {0x0025, u"%1 / %2 MB", u"Windows teatas veast %1.", u"Proovi uuesti", u"Loobu", u"Sule"},
    {0x0026, u"%1 no %2 MB", u"Windows ziņoja par kļūdu %1.", u"Mēģināt vēlreiz", u"Atcelt",
     u"Aizvērt"},
    {0x0027, u"%1 iš %2 MB", u"Windows pranešė apie klaidą %1.", u"Bandyti dar kartą", u"Atšaukti",
     u"Uždaryti"},
    {0x0404, u"已下載 %1 MB，共 %2 MB", u"Windows 回報錯誤 %1。", u"重試", u"取消", u"關閉"},
    {0x0409, u"%1 of %2 MB", u"Windows reported error %1.", u"Try again", u"Cancel", u"Close"},
    {0x0414, u"%1 av %2 MB", u"Windows meldte feil %1.", u"Prøv igjen", u"Avbryt", u"Lukk"},
    {0x0415, u"%1 z %2 MB", u"System Windows zgłosił błąd %1.", u"Spróbuj ponownie", u"Anuluj",
     u"Zamknij"},
    {0x0419, u"%1 из %2 МБ", u"Windows сообщила об ошибке %1.", u"Повторить", u"Отмена",
     u"Закрыть"},
    {0x041A, u"%1 od %2 MB", u"Windows je prijavio pogrešku %1.", u"Pokušaj ponovno", u"Odustani",
     u"Zatvori"},
    {0x0422, u"%1 з %2 МБ", u"Windows повідомила про помилку %1.", u"Повторити", u"Скасувати",
     u"Закрити"},
    {0x0804, u"已下载 %1 MB，共 %2 MB", u"Windows 报告了错误 %1。", u"重试", u"取消", u"关闭"},
    {0x0816, u"%1 de %2 MB", u"O Windows comunicou o erro %1.", u"Tentar novamente", u"Cancelar",
     u"Fechar"},
    {0x081A, u"%1 od %2 MB", u"Windows je prijavio grešku %1.", u"Pokušaj ponovo", u"Otkaži",
     u"Zatvori"},
    {0x0C04, u"已下載 %1 MB，共 %2 MB", u"Windows 回報錯誤 %1。", u"重試", u"取消", u"關閉"},
    {0x1004, u"已下载 %1 MB，共 %2 MB", u"Windows 报告了错误 %1。", u"重试", u"取消", u"关闭"},
    {0x101A, u"%1 od %2 MB", u"Windows je prijavio pogrešku %1.", u"Pokušaj ponovno", u"Odustani",
     u"Zatvori"},
    {0x1404, u"已下載 %1 MB，共 %2 MB", u"Windows 回報錯誤 %1。", u"重試", u"取消", u"關閉"},
    {0x241A, u"%1 od %2 MB", u"Windows je prijavio grešku %1.", u"Pokušaj ponovo", u"Otkaži",
     u"Zatvori"},
    {0x2C1A, u"%1 od %2 MB", u"Windows je prijavio grešku %1.", u"Pokušaj ponovo", u"Otkaži",
     u"Zatvori"},
};

struct ExpectedText {
  std::uint16_t id;
  const char16_t* text;
};

// The English (0x0409) table in full.
inline constexpr ExpectedText kExpectedEnglish[] = {
    {101, u"VORNE Sandbox Setup"},
    {102, u"Sandbox Setup"},
    {103, u"Downloading VORNE Sandbox…"},
    {104, u"%1 of %2 MB"},
    {105, u"Starting the installer…"},
    {106, u"VORNE Sandbox could not be downloaded."},
    {107, u"Check your internet connection and try again."},
    {108, u"The downloaded file is damaged. Try again."},
    {109, u"The installer could not be started."},
    {110, u"Windows reported error %1."},
    {111, u"Try again"},
    {112, u"Cancel"},
    {113, u"Close"},
};
