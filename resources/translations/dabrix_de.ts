<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>D2XXUnit</name>
    <message>
        <source> - Invalid handle...</source>
        <translation> - Ungültiges Handle...</translation>
    </message>
    <message>
        <source> - Device not found...</source>
        <translation> - Gerät nicht gefunden...</translation>
    </message>
    <message>
        <source> - Device not opened...</source>
        <translation> - Gerät nicht geöffnet...</translation>
    </message>
    <message>
        <source> - General IO error...</source>
        <translation> - Allgemeiner E/A-Fehler...</translation>
    </message>
    <message>
        <source> - Insufficient resources...</source>
        <translation> - Nicht genügend Ressourcen...</translation>
    </message>
    <message>
        <source> - Invalid parameter...</source>
        <translation> - Ungültiger Parameter...</translation>
    </message>
    <message>
        <source> - Invalid baud rate...</source>
        <translation> - Ungültige Baudrate...</translation>
    </message>
    <message>
        <source> Device not opened for erase...</source>
        <translation> Gerät nicht zum Löschen geöffnet...</translation>
    </message>
    <message>
        <source> Device not opened for write...</source>
        <translation> Gerät nicht zum Schreiben geöffnet...</translation>
    </message>
    <message>
        <source> - Failed to write...</source>
        <translation> - Schreiben fehlgeschlagen...</translation>
    </message>
    <message>
        <source> - EEPROM read failed...</source>
        <translation> - Lesen des EEPROM fehlgeschlagen...</translation>
    </message>
    <message>
        <source> - EEPROM write failed...</source>
        <translation> - Schreiben des EEPROM fehlgeschlagen...</translation>
    </message>
    <message>
        <source> - EEPROM erase failed...</source>
        <translation> - Löschen des EEPROM fehlgeschlagen...</translation>
    </message>
    <message>
        <source> - EEPROM not present...</source>
        <translation> - Kein EEPROM vorhanden...</translation>
    </message>
    <message>
        <source> - EEPROM not programmed...</source>
        <translation> - EEPROM nicht programmiert...</translation>
    </message>
    <message>
        <source> - Invalid arguments...</source>
        <translation> - Ungültige Argumente...</translation>
    </message>
    <message>
        <source> - Other error ...</source>
        <translation> - Sonstiger Fehler ...</translation>
    </message>
    <message>
        <source> - Unknown error (status %1)...</source>
        <translation> - Unbekannter Fehler (Status %1)...</translation>
    </message>
</context>
<context>
    <name>ResourceString</name>
    <message>
        <source>Timeout !</source>
        <comment>65284</comment>
        <translation>Zeitüberschreitung !</translation>
    </message>
    <message>
        <source>Port not exists !</source>
        <comment>65311</comment>
        <translation>Schnittstelle existiert nicht !</translation>
    </message>
    <message>
        <source>Port not active !</source>
        <comment>65280</comment>
        <translation>Schnittstelle nicht aktiv !</translation>
    </message>
    <message>
        <source>Device list is empty !</source>
        <comment>65281</comment>
        <translation>Geräteliste ist leer !</translation>
    </message>
    <message>
        <source>No Device !</source>
        <comment>65282</comment>
        <translation>Kein Gerät !</translation>
    </message>
    <message>
        <source>CYC-Timeout !</source>
        <comment>65285</comment>
        <translation>CYC-Zeitüberschreitung !</translation>
    </message>
    <message>
        <source>Device not found !</source>
        <comment>65283</comment>
        <translation>Gerät nicht gefunden !</translation>
    </message>
    <message>
        <source>Receive buffer full !</source>
        <comment>65286</comment>
        <translation>Empfangspuffer voll !</translation>
    </message>
    <message>
        <source>Unknown command !</source>
        <comment>65287</comment>
        <translation>Unbekannter Befehl !</translation>
    </message>
    <message>
        <source>Wrong address !</source>
        <comment>65288</comment>
        <translation>Falsche Adresse !</translation>
    </message>
    <message>
        <source>Bad checksum !</source>
        <comment>65289</comment>
        <translation>Falsche Prüfsumme !</translation>
    </message>
    <message>
        <source>NAK !</source>
        <comment>65290</comment>
        <translation>NAK !</translation>
    </message>
    <message>
        <source>Bad command line !</source>
        <comment>65291</comment>
        <translation>Fehlerhafte Befehlszeile !</translation>
    </message>
    <message>
        <source>Unable to stop CYC mode!</source>
        <comment>65292</comment>
        <translation>CYC-Modus kann nicht beendet werden!</translation>
    </message>
    <message>
        <source>Connection error!</source>
        <comment>65293</comment>
        <translation>Verbindungsfehler!</translation>
    </message>
    <message>
        <source>Data send error!</source>
        <comment>65294</comment>
        <translation>Fehler beim Senden der Daten!</translation>
    </message>
    <message>
        <source>Device not disconnected!</source>
        <comment>65295</comment>
        <translation>Gerät nicht getrennt!</translation>
    </message>
</context>
<context>
    <name>TDabrixApplication</name>
    <message>
        <source>An unexpected error occurred.</source>
        <translation>Ein unerwarteter Fehler ist aufgetreten.</translation>
    </message>
</context>
<context>
    <name>TInfoForm</name>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Basic Edition</source>
        <translation>Basic Edition</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Copyright © 2025 Dabrix Messtechnik GmbH</source>
        <translation>Copyright © 2025 Dabrix Messtechnik GmbH</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Measuring made simple.</source>
        <translation>Messen leicht gemacht.</translation>
    </message>
    <message>
        <source>Phone: +49 (0)1234 56789-0</source>
        <translation>Telefon: +49 (0)1234 56789-0</translation>
    </message>
    <message>
        <source>Fax: +49 (0)1234 56789-9</source>
        <translation>Fax: +49 (0)1234 56789-9</translation>
    </message>
    <message>
        <source>E-mail: %1</source>
        <translation>E-Mail: %1</translation>
    </message>
    <message>
        <source>Web: www.dabrix.example</source>
        <translation>Web: www.dabrix.example</translation>
    </message>
    <message>
        <source>Contact</source>
        <translation>Kontakt</translation>
    </message>
    <message>
        <source>Free software under the %1, without any warranty.</source>
        <translation>Freie Software unter der %1, ohne jede Gewährleistung.</translation>
    </message>
    <message>
        <source>GNU GPL, version 3 or later</source>
        <translation>GNU GPL, Version 3 oder später</translation>
    </message>
</context>
<context>
    <name>TKTXComm2Manager</name>
    <message>
        <source>Discovering complete with error</source>
        <translation>Suche mit Fehler beendet</translation>
    </message>
    <message>
        <source>Error discovering IrDA devices</source>
        <translation>Fehler bei der Suche nach IrDA-Geräten</translation>
    </message>
</context>
<context>
    <name>TMainForm</name>
    <message>
        <source>New</source>
        <translation>Neu</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Save as...</source>
        <translation>Speichern unter...</translation>
    </message>
    <message>
        <source>Printer Setup</source>
        <translation>Druckereinrichtung</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>Ausschneiden</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Mark all</source>
        <translation>Alles markieren</translation>
    </message>
    <message>
        <source>Clear Screen</source>
        <translation>Bildschirm löschen</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Trennen</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Gauge</source>
        <translation>Messgerät</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Manuell</translation>
    </message>
    <message>
        <source>Pricor (Cable)</source>
        <translation>Pricor (Kabel)</translation>
    </message>
    <message>
        <source>Pricor (Infraredadapter at COM)</source>
        <translation>Pricor (Infrarotadapter an COM)</translation>
    </message>
    <message>
        <source>Lakmo 3X0/3X00 / Sonavel 3 (Infrared)</source>
        <translation>Lakmo 3X0/3X00 / Sonavel 3 (Infrarot)</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Schnittstelle</translation>
    </message>
    <message>
        <source>Infrared</source>
        <translation>Infrarot</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Help about Dabrix</source>
        <translation>Hilfe zu Dabrix</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>German</source>
        <translation>Deutsch</translation>
    </message>
    <message>
        <source>English</source>
        <translation>Englisch</translation>
    </message>
    <message>
        <source>French</source>
        <translation>Französisch</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Tool bar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>Received data</source>
        <translation>Empfangene Daten</translation>
    </message>
    <message>
        <source>Link status</source>
        <translation>Verbindungsstatus</translation>
    </message>
    <message>
        <source>Baud rate</source>
        <translation>Baudrate</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbenannt</translation>
    </message>
    <message>
        <source>%1 - %2</source>
        <translation>%1 - %2</translation>
    </message>
    <message>
        <source>Saving the change in %1 ?</source>
        <translation>Änderungen in %1 speichern ?</translation>
    </message>
    <message>
        <source>Cannot write the file %1:
%2</source>
        <translation>Die Datei %1 kann nicht geschrieben werden:
%2</translation>
    </message>
    <message>
        <source>Overwrite %1 ?</source>
        <translation>%1 überschreiben ?</translation>
    </message>
    <message>
        <source>Clear screen ?</source>
        <translation>Bildschirm löschen ?</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>&apos;%1&apos; ist keine gültige Ganzzahl</translation>
    </message>
    <message>
        <source>No interface is free / available !!!</source>
        <translation>Keine Schnittstelle frei / verfügbar !!!</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Getrennt</translation>
    </message>
    <message>
        <source>Search device...</source>
        <translation>Messgerät wird gesucht...</translation>
    </message>
    <message>
        <source>Wait...</source>
        <translation>Bitte warten...</translation>
    </message>
    <message>
        <source>Connected...</source>
        <translation>Verbunden...</translation>
    </message>
    <message>
        <source> Baud</source>
        <translation> Baud</translation>
    </message>
    <message>
        <source>The application must be restarted.<byte value="xd"/>
<byte value="xd"/>
Restart now ?</source>
        <translation>Das Programm muss neu gestartet werden.<byte value="xd"/>
<byte value="xd"/>
Jetzt neu starten ?</translation>
    </message>
    <message>
        <source>File %1 does not exist!</source>
        <translation>Die Datei %1 existiert nicht!</translation>
    </message>
    <message>
        <source>Cannot read the file %1:
%2</source>
        <translation>Die Datei %1 kann nicht gelesen werden:
%2</translation>
    </message>
    <message>
        <source>The document could not be printed on %1.</source>
        <translation>Das Dokument konnte nicht auf %1 gedruckt werden.</translation>
    </message>
    <message>
        <source>This is not a regular file.</source>
        <translation>Dies ist keine normale Datei.</translation>
    </message>
    <message>
        <source>The file is too large (%1 MB; at most %2 MB can be opened).</source>
        <translation>Die Datei ist zu groß (%1 MB; höchstens %2 MB können geöffnet werden).</translation>
    </message>
    <message>
        <source>This is a folder.</source>
        <translation>Dies ist ein Ordner.</translation>
    </message>
</context>
<context>
    <name>TMainFormDialogs</name>
    <message>
        <source>Text (*.TXT *.txt)</source>
        <translation>Text (*.TXT *.txt)</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Open read-only</source>
        <translation>Schreibgeschützt öffnen</translation>
    </message>
</context>
<context>
    <name>TReadingsPanel</name>
    <message>
        <source>Statistics</source>
        <translation>Statistik</translation>
    </message>
    <message>
        <source>Export readings...</source>
        <translation>Messwerte exportieren...</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Messwerte</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>Mittelwert</translation>
    </message>
    <message>
        <source>Standard deviation</source>
        <translation>Standardabweichung</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>Minimum</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <source>Range</source>
        <translation>Spannweite</translation>
    </message>
    <message>
        <source>Coefficient of variation</source>
        <translation>Variationskoeffizient</translation>
    </message>
    <message>
        <source>Outside the limits</source>
        <translation>Außerhalb der Grenzen</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keine</translation>
    </message>
    <message>
        <source>Lower limit</source>
        <translation>Untere Grenze</translation>
    </message>
    <message>
        <source>Upper limit</source>
        <translation>Obere Grenze</translation>
    </message>
    <message>
        <source>Reading</source>
        <translation>Messwert</translation>
    </message>
    <message>
        <source>Chart of the readings</source>
        <translation>Diagramm der Messwerte</translation>
    </message>
    <message>
        <source>New batch</source>
        <translation>Neue Serie</translation>
    </message>
    <message>
        <source>Batch %1</source>
        <translation>Serie %1</translation>
    </message>
    <message>
        <source>%1 (%2 %)</source>
        <translation>%1 (%2 %)</translation>
    </message>
    <message>
        <source>A limit is not a number; it is not used.</source>
        <translation>Eine Grenze ist keine Zahl; sie wird nicht verwendet.</translation>
    </message>
    <message>
        <source>The lower limit is above the upper limit; no limits are used.</source>
        <translation>Die untere Grenze liegt über der oberen; es werden keine Grenzen verwendet.</translation>
    </message>
    <message>
        <source>There are no readings to export.</source>
        <translation>Es gibt keine Messwerte zum Exportieren.</translation>
    </message>
    <message>
        <source>CSV (*.csv *.CSV)</source>
        <translation>CSV (*.csv *.CSV)</translation>
    </message>
    <message>
        <source>The readings could not be exported to %1:
%2</source>
        <translation>Die Messwerte konnten nicht nach %1 exportiert werden:
%2</translation>
    </message>
</context>
<context>
    <name>TSelectDeviceForm</name>
    <message>
        <source>Select Device</source>
        <translation>Messgerät auswählen</translation>
    </message>
    <message>
        <source>Devices</source>
        <translation>Messgeräte</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>TSerialDialogForm</name>
    <message>
        <source>COM - Settings</source>
        <translation>COM - Einstellungen</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Schnittstelle:</translation>
    </message>
    <message>
        <source>Baud:</source>
        <translation>Baud:</translation>
    </message>
    <message>
        <source>8 data bits, 1 stop bit, no parity</source>
        <translation>8 Datenbits, 1 Stoppbit, keine Parität</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>lnkErrors</name>
    <message>
        <source>Out of system resources.</source>
        <translation>Systemressourcen erschöpft.</translation>
    </message>
    <message>
        <source>Internal driver error.</source>
        <translation>Interner Treiberfehler.</translation>
    </message>
    <message>
        <source>Function is not implemented.</source>
        <translation>Die Funktion ist nicht implementiert.</translation>
    </message>
    <message>
        <source>Feature is not supported.</source>
        <translation>Die Funktion wird nicht unterstützt.</translation>
    </message>
    <message>
        <source>Invalid argument.</source>
        <translation>Ungültiges Argument.</translation>
    </message>
    <message>
        <source>Out of memory.</source>
        <translation>Nicht genügend Arbeitsspeicher.</translation>
    </message>
    <message>
        <source>API is already loaded.</source>
        <translation>Die API ist bereits geladen.</translation>
    </message>
    <message>
        <source>The other instance of the TlnkAPI exists end loaded.</source>
        <translation>Eine andere Instanz von TlnkAPI existiert und ist geladen.</translation>
    </message>
    <message>
        <source>API is not loaded.</source>
        <translation>Die API ist nicht geladen.</translation>
    </message>
    <message>
        <source>Specified transport is not available.</source>
        <translation>Die angegebene Übertragungsart ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>Specified bluetooth API is not available.</source>
        <translation>Die angegebene Bluetooth-API ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>Unknown or unsupported Bluetooth API.</source>
        <translation>Unbekannte oder nicht unterstützte Bluetooth-API.</translation>
    </message>
    <message>
        <source>Specified transport not supported.</source>
        <translation>Die angegebene Übertragungsart wird nicht unterstützt.</translation>
    </message>
    <message>
        <source>Discovering operation is not started.</source>
        <translation>Die Gerätesuche wurde nicht gestartet.</translation>
    </message>
    <message>
        <source>Discovering operation is active.</source>
        <translation>Die Gerätesuche läuft bereits.</translation>
    </message>
    <message>
        <source>Device is already paired.</source>
        <translation>Das Gerät ist bereits gekoppelt.</translation>
    </message>
    <message>
        <source>Authentication failed.</source>
        <translation>Authentifizierung fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Operation was cancelled by user.</source>
        <translation>Vorgang vom Benutzer abgebrochen.</translation>
    </message>
    <message>
        <source>Access denied.</source>
        <translation>Zugriff verweigert.</translation>
    </message>
    <message>
        <source>Device is not connected.</source>
        <translation>Das Gerät ist nicht verbunden.</translation>
    </message>
    <message>
        <source>Connection is active.</source>
        <translation>Die Verbindung ist aktiv.</translation>
    </message>
    <message>
        <source>Connection exists.</source>
        <translation>Die Verbindung besteht bereits.</translation>
    </message>
    <message>
        <source>Timeout.</source>
        <translation>Zeitüberschreitung.</translation>
    </message>
    <message>
        <source>Specified service was not found.</source>
        <translation>Der angegebene Dienst wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>Unable connect.</source>
        <translation>Verbindung nicht möglich.</translation>
    </message>
    <message>
        <source>Connection was rejected by device.</source>
        <translation>Das Gerät hat die Verbindung abgelehnt.</translation>
    </message>
    <message>
        <source>Connection was terminated by user.</source>
        <translation>Die Verbindung wurde vom Benutzer beendet.</translation>
    </message>
    <message>
        <source>Unable to assign PSM value.</source>
        <translation>Der PSM-Wert kann nicht zugewiesen werden.</translation>
    </message>
    <message>
        <source>Unable to register PSM value.</source>
        <translation>Der PSM-Wert kann nicht registriert werden.</translation>
    </message>
    <message>
        <source>Remote device does not support this feature.</source>
        <translation>Das entfernte Gerät unterstützt diese Funktion nicht.</translation>
    </message>
    <message>
        <source>OBEX session is already active.</source>
        <translation>Die OBEX-Sitzung ist bereits aktiv.</translation>
    </message>
    <message>
        <source>OBEX operation is in progress.</source>
        <translation>Ein OBEX-Vorgang läuft.</translation>
    </message>
    <message>
        <source>OBEX session is not active.</source>
        <translation>Die OBEX-Sitzung ist nicht aktiv.</translation>
    </message>
    <message>
        <source>No content.</source>
        <translation>Kein Inhalt.</translation>
    </message>
    <message>
        <source>OBEX operation is not active.</source>
        <translation>Kein OBEX-Vorgang aktiv.</translation>
    </message>
    <message>
        <source>Reset content.</source>
        <translation>Inhalt zurücksetzen.</translation>
    </message>
    <message>
        <source>Non authoritative.</source>
        <translation>Nicht maßgebliche Information.</translation>
    </message>
    <message>
        <source>Partial content.</source>
        <translation>Teilinhalt.</translation>
    </message>
    <message>
        <source>Multiple choises.</source>
        <translation>Mehrere Auswahlmöglichkeiten.</translation>
    </message>
    <message>
        <source>Moved permanently.</source>
        <translation>Dauerhaft verschoben.</translation>
    </message>
    <message>
        <source>Moved temporary.</source>
        <translation>Vorübergehend verschoben.</translation>
    </message>
    <message>
        <source>See other.</source>
        <translation>Siehe andere Adresse.</translation>
    </message>
    <message>
        <source>Not modified.</source>
        <translation>Nicht geändert.</translation>
    </message>
    <message>
        <source>Use proxy.</source>
        <translation>Proxy verwenden.</translation>
    </message>
    <message>
        <source>Bad request.</source>
        <translation>Ungültige Anfrage.</translation>
    </message>
    <message>
        <source>Unauthorized.</source>
        <translation>Nicht autorisiert.</translation>
    </message>
    <message>
        <source>Payment required.</source>
        <translation>Zahlung erforderlich.</translation>
    </message>
    <message>
        <source>Forbidden.</source>
        <translation>Verboten.</translation>
    </message>
    <message>
        <source>Not found.</source>
        <translation>Nicht gefunden.</translation>
    </message>
    <message>
        <source>Method not allowed.</source>
        <translation>Methode nicht erlaubt.</translation>
    </message>
    <message>
        <source>Not acceptable.</source>
        <translation>Nicht annehmbar.</translation>
    </message>
    <message>
        <source>Proxy authentication required.</source>
        <translation>Proxy-Authentifizierung erforderlich.</translation>
    </message>
    <message>
        <source>Request timeout.</source>
        <translation>Zeitüberschreitung der Anfrage.</translation>
    </message>
    <message>
        <source>Conflict.</source>
        <translation>Konflikt.</translation>
    </message>
    <message>
        <source>Gone.</source>
        <translation>Nicht mehr vorhanden.</translation>
    </message>
    <message>
        <source>Length required.</source>
        <translation>Längenangabe erforderlich.</translation>
    </message>
    <message>
        <source>Precondition failed.</source>
        <translation>Vorbedingung nicht erfüllt.</translation>
    </message>
    <message>
        <source>Requiested entity too large.</source>
        <translation>Angefordertes Objekt zu groß.</translation>
    </message>
    <message>
        <source>Requested URL too large.</source>
        <translation>Angeforderte URL zu lang.</translation>
    </message>
    <message>
        <source>Unsupported media type.</source>
        <translation>Nicht unterstützter Medientyp.</translation>
    </message>
    <message>
        <source>Internal server error.</source>
        <translation>Interner Serverfehler.</translation>
    </message>
    <message>
        <source>Not implemented.</source>
        <translation>Nicht implementiert.</translation>
    </message>
    <message>
        <source>Bad gateway.</source>
        <translation>Fehlerhaftes Gateway.</translation>
    </message>
    <message>
        <source>Services unavailable.</source>
        <translation>Dienst nicht verfügbar.</translation>
    </message>
    <message>
        <source>Gateway time out.</source>
        <translation>Zeitüberschreitung am Gateway.</translation>
    </message>
    <message>
        <source>HTTP version not supported.</source>
        <translation>HTTP-Version wird nicht unterstützt.</translation>
    </message>
    <message>
        <source>Database full.</source>
        <translation>Datenbank voll.</translation>
    </message>
    <message>
        <source>Database locked.</source>
        <translation>Datenbank gesperrt.</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message>
        <source>Authenticator is already active.</source>
        <translation>Der Authentifikator ist bereits aktiv.</translation>
    </message>
    <message>
        <source>Authenticator is unable to register call back function.</source>
        <translation>Der Authentifikator kann seine Rückruffunktion nicht registrieren.</translation>
    </message>
    <message>
        <source>Authenticator is not active.</source>
        <translation>Der Authentifikator ist nicht aktiv.</translation>
    </message>
    <message>
        <source>USB monitor is already active.</source>
        <translation>Die USB-Überwachung ist bereits aktiv.</translation>
    </message>
    <message>
        <source>ProximitySender is already started.</source>
        <translation>ProximitySender ist bereits gestartet.</translation>
    </message>
    <message>
        <source>ProximitySender is running.</source>
        <translation>ProximitySender läuft.</translation>
    </message>
    <message>
        <source>Send Radio was not specified.</source>
        <translation>Kein Funkmodul zum Senden angegeben.</translation>
    </message>
    <message>
        <source>Discovery Radio was not specified.</source>
        <translation>Kein Funkmodul für die Gerätesuche angegeben.</translation>
    </message>
    <message>
        <source>File name is not valid or file is not available.</source>
        <translation>Der Dateiname ist ungültig oder die Datei ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>Error execute AT command.</source>
        <translation>Fehler beim Ausführen des AT-Befehls.</translation>
    </message>
    <message>
        <source>Modem is already initialized.</source>
        <translation>Das Modem ist bereits initialisiert.</translation>
    </message>
    <message>
        <source>Operation is in progress.</source>
        <translation>Ein Vorgang läuft bereits.</translation>
    </message>
    <message>
        <source>Modem is not initialized.</source>
        <translation>Das Modem ist nicht initialisiert.</translation>
    </message>
    <message>
        <source>WiFi Manager is active.</source>
        <translation>Der WLAN-Manager ist aktiv.</translation>
    </message>
    <message>
        <source>WiFi Manager is not active.</source>
        <translation>Der WLAN-Manager ist nicht aktiv.</translation>
    </message>
    <message>
        <source>Another instance of the lnkWiFiManager already exists and active.</source>
        <translation>Eine andere Instanz von lnkWiFiManager existiert bereits und ist aktiv.</translation>
    </message>
    <message>
        <source>No one active WiFi Manager was found.</source>
        <translation>Es wurde kein aktiver WLAN-Manager gefunden.</translation>
    </message>
    <message>
        <source>No data.</source>
        <translation>Keine Daten.</translation>
    </message>
    <message>
        <source>Unable set callback function for WiFi notifications.</source>
        <translation>Die Rückruffunktion für WLAN-Benachrichtigungen kann nicht gesetzt werden.</translation>
    </message>
    <message>
        <source>Monitoring is active.</source>
        <translation>Die Überwachung ist aktiv.</translation>
    </message>
    <message>
        <source>Monitoring is not active.</source>
        <translation>Die Überwachung ist nicht aktiv.</translation>
    </message>
    <message>
        <source>Wiimote device was not found or invalid Device Path.</source>
        <translation>Wiimote nicht gefunden oder Gerätepfad ungültig.</translation>
    </message>
    <message>
        <source>Wiimote device is already installed.</source>
        <translation>Die Wiimote ist bereits installiert.</translation>
    </message>
    <message>
        <source>Kinect subsystem is not initialized.</source>
        <translation>Das Kinect-Subsystem ist nicht initialisiert.</translation>
    </message>
    <message>
        <source>Kinect subsystem is already initialized.</source>
        <translation>Das Kinect-Subsystem ist bereits initialisiert.</translation>
    </message>
    <message>
        <source>Kinect is not connected.</source>
        <translation>Kinect ist nicht angeschlossen.</translation>
    </message>
    <message>
        <source>Kinect device is not ready.</source>
        <translation>Das Kinect-Gerät ist nicht bereit.</translation>
    </message>
    <message>
        <source>No more Kinect sensors found.</source>
        <translation>Keine weiteren Kinect-Sensoren gefunden.</translation>
    </message>
    <message>
        <source>Kinect initialization is in progress.</source>
        <translation>Kinect wird gerade initialisiert.</translation>
    </message>
    <message>
        <source>Kinet has no more frames.</source>
        <translation>Kinect liefert keine weiteren Bilder.</translation>
    </message>
    <message>
        <source>Kinect stream was not enebaled.</source>
        <translation>Der Kinect-Datenstrom wurde nicht aktiviert.</translation>
    </message>
    <message>
        <source>Kinect image stream is in use.</source>
        <translation>Der Kinect-Bilddatenstrom wird bereits verwendet.</translation>
    </message>
    <message>
        <source>Kinect frames limit is exceeded.</source>
        <translation>Die Höchstzahl an Kinect-Bildern ist überschritten.</translation>
    </message>
    <message>
        <source>Kinect feature was not initialized.</source>
        <translation>Die Kinect-Funktion wurde nicht initialisiert.</translation>
    </message>
    <message>
        <source>Kinect device is not genuine.</source>
        <translation>Das Kinect-Gerät ist kein Originalgerät.</translation>
    </message>
    <message>
        <source>Kinect communication insufficient bandwidth.</source>
        <translation>Unzureichende Bandbreite für die Kinect-Kommunikation.</translation>
    </message>
    <message>
        <source>Kinect feature is not supported.</source>
        <translation>Die Kinect-Funktion wird nicht unterstützt.</translation>
    </message>
    <message>
        <source>Kinect device is in use.</source>
        <translation>Das Kinect-Gerät wird bereits verwendet.</translation>
    </message>
    <message>
        <source>Kinect database was not found.</source>
        <translation>Die Kinect-Datenbank wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>Kinect database has an invalid version.</source>
        <translation>Die Kinect-Datenbank hat eine ungültige Version.</translation>
    </message>
    <message>
        <source>Kinect feature is unavailable.</source>
        <translation>Die Kinect-Funktion ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>Kinect is not ready.</source>
        <translation>Kinect ist nicht bereit.</translation>
    </message>
    <message>
        <source>Kinect skeletal engine is busy.</source>
        <translation>Die Kinect-Skeletterkennung ist ausgelastet.</translation>
    </message>
    <message>
        <source>Kinect is not powered.</source>
        <translation>Kinect wird nicht mit Strom versorgt.</translation>
    </message>
    <message>
        <source>Kinect bad index.</source>
        <translation>Ungültiger Kinect-Index.</translation>
    </message>
    <message>
        <source>Kinect received too many commands.</source>
        <translation>Kinect hat zu viele Befehle erhalten.</translation>
    </message>
    <message>
        <source>Kinect can not execute command. Retry once again.</source>
        <translation>Kinect kann den Befehl nicht ausführen. Bitte noch einmal versuchen.</translation>
    </message>
    <message>
        <source>A BLE device has already been subscribed for value changes notifications.</source>
        <translation>Ein BLE-Gerät ist bereits für Benachrichtigungen über Wertänderungen angemeldet.</translation>
    </message>
    <message>
        <source>A BLE device has not been subscribed for value changes notifications.</source>
        <translation>Ein BLE-Gerät ist nicht für Benachrichtigungen über Wertänderungen angemeldet.</translation>
    </message>
    <message>
        <source>A notification descriptor was not found.</source>
        <translation>Ein Benachrichtigungsdeskriptor wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>Unbekannter Fehler</translation>
    </message>
</context>
<context>
    <name>lnkExceptions</name>
    <message>
        <source>Radio parameter is not valid.</source>
        <translation>Der Funkmodul-Parameter ist ungültig.</translation>
    </message>
    <message>
        <source>Connection is active.</source>
        <translation>Die Verbindung ist aktiv.</translation>
    </message>
    <message>
        <source>%1 object is not valid.</source>
        <translation>Das Objekt %1 ist ungültig.</translation>
    </message>
    <message>
        <source>Timeout is not valid.</source>
        <translation>Die Zeitüberschreitung ist ungültig.</translation>
    </message>
    <message>
        <source>Unsupportred transport.</source>
        <translation>Nicht unterstützte Übertragungsart.</translation>
    </message>
    <message>
        <source>Cannot assign nil.</source>
        <translation>Ein leerer Wert kann nicht zugewiesen werden.</translation>
    </message>
    <message>
        <source>Cannot assign an object of another class.</source>
        <translation>Ein Objekt einer anderen Klasse kann nicht zugewiesen werden.</translation>
    </message>
    <message>
        <source>Buffers object is not valid.</source>
        <translation>Das Pufferobjekt ist ungültig.</translation>
    </message>
    <message>
        <source>Connection is required.</source>
        <translation>Eine Verbindung ist erforderlich.</translation>
    </message>
    <message>
        <source>Invalid buffer size.</source>
        <translation>Ungültige Puffergröße.</translation>
    </message>
    <message>
        <source>Invalid BaudRate value.</source>
        <translation>Ungültige Baudrate.</translation>
    </message>
    <message>
        <source>Invalid port number</source>
        <translation>Ungültige Schnittstellennummer</translation>
    </message>
    <message>
        <source>Invalid service.</source>
        <translation>Ungültiger Dienst.</translation>
    </message>
    <message>
        <source>%1 is not valid IrDA address.</source>
        <translation>%1 ist keine gültige IrDA-Adresse.</translation>
    </message>
    <message>
        <source>%1 is not valid bluetooth address.</source>
        <translation>%1 ist keine gültige Bluetooth-Adresse.</translation>
    </message>
    <message>
        <source>Device parameter is not valid.</source>
        <translation>Der Geräteparameter ist ungültig.</translation>
    </message>
    <message>
        <source>Index out of bounds (%1).</source>
        <translation>Index außerhalb des gültigen Bereichs (%1).</translation>
    </message>
    <message>
        <source>Devices parameter is not valid.</source>
        <translation>Der Parameter der Geräteliste ist ungültig.</translation>
    </message>
    <message>
        <source>%1 is not valid Bluetooth address.</source>
        <translation>%1 ist keine gültige Bluetooth-Adresse.</translation>
    </message>
    <message>
        <source>Service parameter is not valid.</source>
        <translation>Der Dienst-Parameter ist ungültig.</translation>
    </message>
</context>
</TS>
