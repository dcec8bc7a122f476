<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>D2XXUnit</name>
    <message>
        <source> - Invalid handle...</source>
        <translation> - Descripteur non valide...</translation>
    </message>
    <message>
        <source> - Device not found...</source>
        <translation> - Appareil introuvable...</translation>
    </message>
    <message>
        <source> - Device not opened...</source>
        <translation> - Appareil non ouvert...</translation>
    </message>
    <message>
        <source> - General IO error...</source>
        <translation> - Erreur d&apos;E/S générale...</translation>
    </message>
    <message>
        <source> - Insufficient resources...</source>
        <translation> - Ressources insuffisantes...</translation>
    </message>
    <message>
        <source> - Invalid parameter...</source>
        <translation> - Paramètre non valide...</translation>
    </message>
    <message>
        <source> - Invalid baud rate...</source>
        <translation> - Débit en bauds non valide...</translation>
    </message>
    <message>
        <source> Device not opened for erase...</source>
        <translation> Appareil non ouvert pour l&apos;effacement...</translation>
    </message>
    <message>
        <source> Device not opened for write...</source>
        <translation> Appareil non ouvert pour l&apos;écriture...</translation>
    </message>
    <message>
        <source> - Failed to write...</source>
        <translation> - Échec de l&apos;écriture...</translation>
    </message>
    <message>
        <source> - EEPROM read failed...</source>
        <translation> - Échec de la lecture de l&apos;EEPROM...</translation>
    </message>
    <message>
        <source> - EEPROM write failed...</source>
        <translation> - Échec de l&apos;écriture de l&apos;EEPROM...</translation>
    </message>
    <message>
        <source> - EEPROM erase failed...</source>
        <translation> - Échec de l&apos;effacement de l&apos;EEPROM...</translation>
    </message>
    <message>
        <source> - EEPROM not present...</source>
        <translation> - EEPROM absente...</translation>
    </message>
    <message>
        <source> - EEPROM not programmed...</source>
        <translation> - EEPROM non programmée...</translation>
    </message>
    <message>
        <source> - Invalid arguments...</source>
        <translation> - Arguments non valides...</translation>
    </message>
    <message>
        <source> - Other error ...</source>
        <translation> - Autre erreur ...</translation>
    </message>
    <message>
        <source> - Unknown error (status %1)...</source>
        <translation> - Erreur inconnue (état %1)...</translation>
    </message>
</context>
<context>
    <name>ResourceString</name>
    <message>
        <source>Timeout !</source>
        <comment>65284</comment>
        <translation>Délai d&apos;attente dépassé !</translation>
    </message>
    <message>
        <source>Port not exists !</source>
        <comment>65311</comment>
        <translation>Le port n&apos;existe pas !</translation>
    </message>
    <message>
        <source>Port not active !</source>
        <comment>65280</comment>
        <translation>Port inactif !</translation>
    </message>
    <message>
        <source>Device list is empty !</source>
        <comment>65281</comment>
        <translation>La liste des appareils est vide !</translation>
    </message>
    <message>
        <source>No Device !</source>
        <comment>65282</comment>
        <translation>Pas d&apos;appareil !</translation>
    </message>
    <message>
        <source>CYC-Timeout !</source>
        <comment>65285</comment>
        <translation>Délai d&apos;attente CYC dépassé !</translation>
    </message>
    <message>
        <source>Device not found !</source>
        <comment>65283</comment>
        <translation>Appareil introuvable !</translation>
    </message>
    <message>
        <source>Receive buffer full !</source>
        <comment>65286</comment>
        <translation>Tampon de réception plein !</translation>
    </message>
    <message>
        <source>Unknown command !</source>
        <comment>65287</comment>
        <translation>Commande inconnue !</translation>
    </message>
    <message>
        <source>Wrong address !</source>
        <comment>65288</comment>
        <translation>Adresse erronée !</translation>
    </message>
    <message>
        <source>Bad checksum !</source>
        <comment>65289</comment>
        <translation>Somme de contrôle erronée !</translation>
    </message>
    <message>
        <source>NAK !</source>
        <comment>65290</comment>
        <translation>NAK !</translation>
    </message>
    <message>
        <source>Bad command line !</source>
        <comment>65291</comment>
        <translation>Ligne de commande erronée !</translation>
    </message>
    <message>
        <source>Unable to stop CYC mode!</source>
        <comment>65292</comment>
        <translation>Impossible d&apos;arrêter le mode CYC !</translation>
    </message>
    <message>
        <source>Connection error!</source>
        <comment>65293</comment>
        <translation>Erreur de connexion !</translation>
    </message>
    <message>
        <source>Data send error!</source>
        <comment>65294</comment>
        <translation>Erreur d&apos;envoi des données !</translation>
    </message>
    <message>
        <source>Device not disconnected!</source>
        <comment>65295</comment>
        <translation>Appareil non déconnecté !</translation>
    </message>
</context>
<context>
    <name>TDabrixApplication</name>
    <message>
        <source>An unexpected error occurred.</source>
        <translation>Une erreur inattendue s&apos;est produite.</translation>
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
        <translation>La mesure en toute simplicité.</translation>
    </message>
    <message>
        <source>Phone: +49 (0)1234 56789-0</source>
        <translation>Tél. : +49 (0)1234 56789-0</translation>
    </message>
    <message>
        <source>Fax: +49 (0)1234 56789-9</source>
        <translation>Fax : +49 (0)1234 56789-9</translation>
    </message>
    <message>
        <source>E-mail: %1</source>
        <translation>E-mail : %1</translation>
    </message>
    <message>
        <source>Web: www.dabrix.example</source>
        <translation>Web : www.dabrix.example</translation>
    </message>
    <message>
        <source>Contact</source>
        <translation>Contact</translation>
    </message>
    <message>
        <source>Free software under the %1, without any warranty.</source>
        <translation>Logiciel libre sous licence %1, sans aucune garantie.</translation>
    </message>
    <message>
        <source>GNU GPL, version 3 or later</source>
        <translation>GNU GPL, version 3 ou ultérieure</translation>
    </message>
</context>
<context>
    <name>TKTXComm2Manager</name>
    <message>
        <source>Discovering complete with error</source>
        <translation>Recherche terminée avec une erreur</translation>
    </message>
    <message>
        <source>Error discovering IrDA devices</source>
        <translation>Erreur lors de la recherche des appareils IrDA</translation>
    </message>
</context>
<context>
    <name>TMainForm</name>
    <message>
        <source>New</source>
        <translation>Nouveau</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>Save as...</source>
        <translation>Enregistrer sous...</translation>
    </message>
    <message>
        <source>Printer Setup</source>
        <translation>Configuration de l&apos;imprimante</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Imprimer</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>Couper</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copier</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Coller</translation>
    </message>
    <message>
        <source>Mark all</source>
        <translation>Tout sélectionner</translation>
    </message>
    <message>
        <source>Clear Screen</source>
        <translation>Effacer l&apos;écran</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Connecter</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Déconnecter</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Fichier</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Édition</translation>
    </message>
    <message>
        <source>Gauge</source>
        <translation>Appareil de mesure</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Manuel</translation>
    </message>
    <message>
        <source>Pricor (Cable)</source>
        <translation>Pricor (câble)</translation>
    </message>
    <message>
        <source>Pricor (Infraredadapter at COM)</source>
        <translation>Pricor (adaptateur infrarouge sur COM)</translation>
    </message>
    <message>
        <source>Lakmo 3X0/3X00 / Sonavel 3 (Infrared)</source>
        <translation>Lakmo 3X0/3X00 / Sonavel 3 (infrarouge)</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Infrared</source>
        <translation>Infrarouge</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Aide</translation>
    </message>
    <message>
        <source>Help about Dabrix</source>
        <translation>Aide sur Dabrix</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Langue</translation>
    </message>
    <message>
        <source>German</source>
        <translation>Allemand</translation>
    </message>
    <message>
        <source>English</source>
        <translation>Anglais</translation>
    </message>
    <message>
        <source>French</source>
        <translation>Français</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Tool bar</source>
        <translation>Barre d&apos;outils</translation>
    </message>
    <message>
        <source>Received data</source>
        <translation>Données reçues</translation>
    </message>
    <message>
        <source>Link status</source>
        <translation>État de la liaison</translation>
    </message>
    <message>
        <source>Baud rate</source>
        <translation>Débit en bauds</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Sans nom</translation>
    </message>
    <message>
        <source>%1 - %2</source>
        <translation>%1 - %2</translation>
    </message>
    <message>
        <source>Saving the change in %1 ?</source>
        <translation>Enregistrer les modifications dans %1 ?</translation>
    </message>
    <message>
        <source>Cannot write the file %1:
%2</source>
        <translation>Impossible d&apos;écrire le fichier %1 :
%2</translation>
    </message>
    <message>
        <source>Overwrite %1 ?</source>
        <translation>Remplacer %1 ?</translation>
    </message>
    <message>
        <source>Clear screen ?</source>
        <translation>Effacer l&apos;écran ?</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>&apos;%1&apos; n&apos;est pas un nombre entier valide</translation>
    </message>
    <message>
        <source>No interface is free / available !!!</source>
        <translation>Aucun port libre / disponible !!!</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Déconnecté</translation>
    </message>
    <message>
        <source>Search device...</source>
        <translation>Recherche de l&apos;appareil de mesure...</translation>
    </message>
    <message>
        <source>Wait...</source>
        <translation>Veuillez patienter...</translation>
    </message>
    <message>
        <source>Connected...</source>
        <translation>Connecté...</translation>
    </message>
    <message>
        <source> Baud</source>
        <translation> bauds</translation>
    </message>
    <message>
        <source>The application must be restarted.<byte value="xd"/>
<byte value="xd"/>
Restart now ?</source>
        <translation>L&apos;application doit être redémarrée.<byte value="xd"/>
<byte value="xd"/>
Redémarrer maintenant ?</translation>
    </message>
    <message>
        <source>File %1 does not exist!</source>
        <translation>Le fichier %1 n&apos;existe pas !</translation>
    </message>
    <message>
        <source>Cannot read the file %1:
%2</source>
        <translation>Impossible de lire le fichier %1 :
%2</translation>
    </message>
    <message>
        <source>The document could not be printed on %1.</source>
        <translation>Le document n&apos;a pas pu être imprimé sur %1.</translation>
    </message>
    <message>
        <source>This is not a regular file.</source>
        <translation>Ce n&apos;est pas un fichier ordinaire.</translation>
    </message>
    <message>
        <source>The file is too large (%1 MB; at most %2 MB can be opened).</source>
        <translation>Le fichier est trop volumineux (%1 Mo ; au plus %2 Mo peuvent être ouverts).</translation>
    </message>
    <message>
        <source>This is a folder.</source>
        <translation>C&apos;est un dossier.</translation>
    </message>
</context>
<context>
    <name>TMainFormDialogs</name>
    <message>
        <source>Text (*.TXT *.txt)</source>
        <translation>Texte (*.TXT *.txt)</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>Open read-only</source>
        <translation>Ouvrir en lecture seule</translation>
    </message>
</context>
<context>
    <name>TReadingsPanel</name>
    <message>
        <source>Statistics</source>
        <translation>Statistiques</translation>
    </message>
    <message>
        <source>Export readings...</source>
        <translation>Exporter les mesures...</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Mesures</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>Moyenne</translation>
    </message>
    <message>
        <source>Standard deviation</source>
        <translation>Écart type</translation>
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
        <translation>Étendue</translation>
    </message>
    <message>
        <source>Coefficient of variation</source>
        <translation>Coefficient de variation</translation>
    </message>
    <message>
        <source>Outside the limits</source>
        <translation>Hors des limites</translation>
    </message>
    <message>
        <source>none</source>
        <translation>aucune</translation>
    </message>
    <message>
        <source>Lower limit</source>
        <translation>Limite inférieure</translation>
    </message>
    <message>
        <source>Upper limit</source>
        <translation>Limite supérieure</translation>
    </message>
    <message>
        <source>Reading</source>
        <translation>Mesure</translation>
    </message>
    <message>
        <source>Chart of the readings</source>
        <translation>Graphique des mesures</translation>
    </message>
    <message>
        <source>New batch</source>
        <translation>Nouvelle série</translation>
    </message>
    <message>
        <source>Batch %1</source>
        <translation>Série %1</translation>
    </message>
    <message>
        <source>%1 (%2 %)</source>
        <translation>%1 (%2 %)</translation>
    </message>
    <message>
        <source>A limit is not a number; it is not used.</source>
        <translation>Une limite n&apos;est pas un nombre ; elle n&apos;est pas utilisée.</translation>
    </message>
    <message>
        <source>The lower limit is above the upper limit; no limits are used.</source>
        <translation>La limite inférieure dépasse la limite supérieure ; aucune limite n&apos;est utilisée.</translation>
    </message>
    <message>
        <source>There are no readings to export.</source>
        <translation>Il n&apos;y a aucune mesure à exporter.</translation>
    </message>
    <message>
        <source>CSV (*.csv *.CSV)</source>
        <translation>CSV (*.csv *.CSV)</translation>
    </message>
    <message>
        <source>The readings could not be exported to %1:
%2</source>
        <translation>Les mesures n&apos;ont pas pu être exportées vers %1 :
%2</translation>
    </message>
</context>
<context>
    <name>TSelectDeviceForm</name>
    <message>
        <source>Select Device</source>
        <translation>Choisir l&apos;appareil de mesure</translation>
    </message>
    <message>
        <source>Devices</source>
        <translation>Appareils de mesure</translation>
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
        <translation>COM - Paramètres</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>Port :</translation>
    </message>
    <message>
        <source>Baud:</source>
        <translation>Bauds :</translation>
    </message>
    <message>
        <source>8 data bits, 1 stop bit, no parity</source>
        <translation>8 bits de données, 1 bit de stop, sans parité</translation>
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
        <translation>Ressources système épuisées.</translation>
    </message>
    <message>
        <source>Internal driver error.</source>
        <translation>Erreur interne du pilote.</translation>
    </message>
    <message>
        <source>Function is not implemented.</source>
        <translation>Fonction non implémentée.</translation>
    </message>
    <message>
        <source>Feature is not supported.</source>
        <translation>Fonctionnalité non prise en charge.</translation>
    </message>
    <message>
        <source>Invalid argument.</source>
        <translation>Argument non valide.</translation>
    </message>
    <message>
        <source>Out of memory.</source>
        <translation>Mémoire insuffisante.</translation>
    </message>
    <message>
        <source>API is already loaded.</source>
        <translation>L&apos;API est déjà chargée.</translation>
    </message>
    <message>
        <source>The other instance of the TlnkAPI exists end loaded.</source>
        <translation>Une autre instance de TlnkAPI existe et est chargée.</translation>
    </message>
    <message>
        <source>API is not loaded.</source>
        <translation>L&apos;API n&apos;est pas chargée.</translation>
    </message>
    <message>
        <source>Specified transport is not available.</source>
        <translation>Le type de liaison indiqué n&apos;est pas disponible.</translation>
    </message>
    <message>
        <source>Specified bluetooth API is not available.</source>
        <translation>L&apos;API Bluetooth indiquée n&apos;est pas disponible.</translation>
    </message>
    <message>
        <source>Unknown or unsupported Bluetooth API.</source>
        <translation>API Bluetooth inconnue ou non prise en charge.</translation>
    </message>
    <message>
        <source>Specified transport not supported.</source>
        <translation>Le type de liaison indiqué n&apos;est pas pris en charge.</translation>
    </message>
    <message>
        <source>Discovering operation is not started.</source>
        <translation>La recherche d&apos;appareils n&apos;a pas été lancée.</translation>
    </message>
    <message>
        <source>Discovering operation is active.</source>
        <translation>La recherche d&apos;appareils est déjà en cours.</translation>
    </message>
    <message>
        <source>Device is already paired.</source>
        <translation>L&apos;appareil est déjà appairé.</translation>
    </message>
    <message>
        <source>Authentication failed.</source>
        <translation>Échec de l&apos;authentification.</translation>
    </message>
    <message>
        <source>Operation was cancelled by user.</source>
        <translation>Opération annulée par l&apos;utilisateur.</translation>
    </message>
    <message>
        <source>Access denied.</source>
        <translation>Accès refusé.</translation>
    </message>
    <message>
        <source>Device is not connected.</source>
        <translation>L&apos;appareil n&apos;est pas connecté.</translation>
    </message>
    <message>
        <source>Connection is active.</source>
        <translation>La connexion est active.</translation>
    </message>
    <message>
        <source>Connection exists.</source>
        <translation>La connexion existe déjà.</translation>
    </message>
    <message>
        <source>Timeout.</source>
        <translation>Délai d&apos;attente dépassé.</translation>
    </message>
    <message>
        <source>Specified service was not found.</source>
        <translation>Le service indiqué est introuvable.</translation>
    </message>
    <message>
        <source>Unable connect.</source>
        <translation>Connexion impossible.</translation>
    </message>
    <message>
        <source>Connection was rejected by device.</source>
        <translation>L&apos;appareil a refusé la connexion.</translation>
    </message>
    <message>
        <source>Connection was terminated by user.</source>
        <translation>La connexion a été interrompue par l&apos;utilisateur.</translation>
    </message>
    <message>
        <source>Unable to assign PSM value.</source>
        <translation>Impossible d&apos;attribuer la valeur PSM.</translation>
    </message>
    <message>
        <source>Unable to register PSM value.</source>
        <translation>Impossible d&apos;enregistrer la valeur PSM.</translation>
    </message>
    <message>
        <source>Remote device does not support this feature.</source>
        <translation>L&apos;appareil distant ne prend pas en charge cette fonctionnalité.</translation>
    </message>
    <message>
        <source>OBEX session is already active.</source>
        <translation>La session OBEX est déjà active.</translation>
    </message>
    <message>
        <source>OBEX operation is in progress.</source>
        <translation>Une opération OBEX est en cours.</translation>
    </message>
    <message>
        <source>OBEX session is not active.</source>
        <translation>La session OBEX n&apos;est pas active.</translation>
    </message>
    <message>
        <source>No content.</source>
        <translation>Aucun contenu.</translation>
    </message>
    <message>
        <source>OBEX operation is not active.</source>
        <translation>Aucune opération OBEX en cours.</translation>
    </message>
    <message>
        <source>Reset content.</source>
        <translation>Réinitialiser le contenu.</translation>
    </message>
    <message>
        <source>Non authoritative.</source>
        <translation>Information non certifiée.</translation>
    </message>
    <message>
        <source>Partial content.</source>
        <translation>Contenu partiel.</translation>
    </message>
    <message>
        <source>Multiple choises.</source>
        <translation>Choix multiples.</translation>
    </message>
    <message>
        <source>Moved permanently.</source>
        <translation>Déplacé de façon permanente.</translation>
    </message>
    <message>
        <source>Moved temporary.</source>
        <translation>Déplacé temporairement.</translation>
    </message>
    <message>
        <source>See other.</source>
        <translation>Voir ailleurs.</translation>
    </message>
    <message>
        <source>Not modified.</source>
        <translation>Non modifié.</translation>
    </message>
    <message>
        <source>Use proxy.</source>
        <translation>Utiliser le proxy.</translation>
    </message>
    <message>
        <source>Bad request.</source>
        <translation>Requête incorrecte.</translation>
    </message>
    <message>
        <source>Unauthorized.</source>
        <translation>Non autorisé.</translation>
    </message>
    <message>
        <source>Payment required.</source>
        <translation>Paiement requis.</translation>
    </message>
    <message>
        <source>Forbidden.</source>
        <translation>Interdit.</translation>
    </message>
    <message>
        <source>Not found.</source>
        <translation>Introuvable.</translation>
    </message>
    <message>
        <source>Method not allowed.</source>
        <translation>Méthode non autorisée.</translation>
    </message>
    <message>
        <source>Not acceptable.</source>
        <translation>Non acceptable.</translation>
    </message>
    <message>
        <source>Proxy authentication required.</source>
        <translation>Authentification proxy requise.</translation>
    </message>
    <message>
        <source>Request timeout.</source>
        <translation>Délai d&apos;attente de la requête dépassé.</translation>
    </message>
    <message>
        <source>Conflict.</source>
        <translation>Conflit.</translation>
    </message>
    <message>
        <source>Gone.</source>
        <translation>N&apos;existe plus.</translation>
    </message>
    <message>
        <source>Length required.</source>
        <translation>Longueur requise.</translation>
    </message>
    <message>
        <source>Precondition failed.</source>
        <translation>Échec de la précondition.</translation>
    </message>
    <message>
        <source>Requiested entity too large.</source>
        <translation>Entité demandée trop volumineuse.</translation>
    </message>
    <message>
        <source>Requested URL too large.</source>
        <translation>URL demandée trop longue.</translation>
    </message>
    <message>
        <source>Unsupported media type.</source>
        <translation>Type de média non pris en charge.</translation>
    </message>
    <message>
        <source>Internal server error.</source>
        <translation>Erreur interne du serveur.</translation>
    </message>
    <message>
        <source>Not implemented.</source>
        <translation>Non implémenté.</translation>
    </message>
    <message>
        <source>Bad gateway.</source>
        <translation>Passerelle incorrecte.</translation>
    </message>
    <message>
        <source>Services unavailable.</source>
        <translation>Service indisponible.</translation>
    </message>
    <message>
        <source>Gateway time out.</source>
        <translation>Délai d&apos;attente de la passerelle dépassé.</translation>
    </message>
    <message>
        <source>HTTP version not supported.</source>
        <translation>Version HTTP non prise en charge.</translation>
    </message>
    <message>
        <source>Database full.</source>
        <translation>Base de données pleine.</translation>
    </message>
    <message>
        <source>Database locked.</source>
        <translation>Base de données verrouillée.</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Inconnu</translation>
    </message>
    <message>
        <source>Authenticator is already active.</source>
        <translation>L&apos;authentificateur est déjà actif.</translation>
    </message>
    <message>
        <source>Authenticator is unable to register call back function.</source>
        <translation>L&apos;authentificateur ne peut pas enregistrer sa fonction de rappel.</translation>
    </message>
    <message>
        <source>Authenticator is not active.</source>
        <translation>L&apos;authentificateur n&apos;est pas actif.</translation>
    </message>
    <message>
        <source>USB monitor is already active.</source>
        <translation>La surveillance USB est déjà active.</translation>
    </message>
    <message>
        <source>ProximitySender is already started.</source>
        <translation>ProximitySender est déjà démarré.</translation>
    </message>
    <message>
        <source>ProximitySender is running.</source>
        <translation>ProximitySender est en cours d&apos;exécution.</translation>
    </message>
    <message>
        <source>Send Radio was not specified.</source>
        <translation>Aucun module radio d&apos;émission indiqué.</translation>
    </message>
    <message>
        <source>Discovery Radio was not specified.</source>
        <translation>Aucun module radio de recherche indiqué.</translation>
    </message>
    <message>
        <source>File name is not valid or file is not available.</source>
        <translation>Le nom de fichier n&apos;est pas valide ou le fichier n&apos;est pas disponible.</translation>
    </message>
    <message>
        <source>Error execute AT command.</source>
        <translation>Erreur lors de l&apos;exécution de la commande AT.</translation>
    </message>
    <message>
        <source>Modem is already initialized.</source>
        <translation>Le modem est déjà initialisé.</translation>
    </message>
    <message>
        <source>Operation is in progress.</source>
        <translation>Une opération est déjà en cours.</translation>
    </message>
    <message>
        <source>Modem is not initialized.</source>
        <translation>Le modem n&apos;est pas initialisé.</translation>
    </message>
    <message>
        <source>WiFi Manager is active.</source>
        <translation>Le gestionnaire Wi-Fi est actif.</translation>
    </message>
    <message>
        <source>WiFi Manager is not active.</source>
        <translation>Le gestionnaire Wi-Fi n&apos;est pas actif.</translation>
    </message>
    <message>
        <source>Another instance of the lnkWiFiManager already exists and active.</source>
        <translation>Une autre instance de lnkWiFiManager existe déjà et est active.</translation>
    </message>
    <message>
        <source>No one active WiFi Manager was found.</source>
        <translation>Aucun gestionnaire Wi-Fi actif n&apos;a été trouvé.</translation>
    </message>
    <message>
        <source>No data.</source>
        <translation>Aucune donnée.</translation>
    </message>
    <message>
        <source>Unable set callback function for WiFi notifications.</source>
        <translation>Impossible de définir la fonction de rappel des notifications Wi-Fi.</translation>
    </message>
    <message>
        <source>Monitoring is active.</source>
        <translation>La surveillance est active.</translation>
    </message>
    <message>
        <source>Monitoring is not active.</source>
        <translation>La surveillance n&apos;est pas active.</translation>
    </message>
    <message>
        <source>Wiimote device was not found or invalid Device Path.</source>
        <translation>Wiimote introuvable ou chemin d&apos;appareil non valide.</translation>
    </message>
    <message>
        <source>Wiimote device is already installed.</source>
        <translation>La Wiimote est déjà installée.</translation>
    </message>
    <message>
        <source>Kinect subsystem is not initialized.</source>
        <translation>Le sous-système Kinect n&apos;est pas initialisé.</translation>
    </message>
    <message>
        <source>Kinect subsystem is already initialized.</source>
        <translation>Le sous-système Kinect est déjà initialisé.</translation>
    </message>
    <message>
        <source>Kinect is not connected.</source>
        <translation>Kinect n&apos;est pas branché.</translation>
    </message>
    <message>
        <source>Kinect device is not ready.</source>
        <translation>L&apos;appareil Kinect n&apos;est pas prêt.</translation>
    </message>
    <message>
        <source>No more Kinect sensors found.</source>
        <translation>Aucun autre capteur Kinect trouvé.</translation>
    </message>
    <message>
        <source>Kinect initialization is in progress.</source>
        <translation>Initialisation de Kinect en cours.</translation>
    </message>
    <message>
        <source>Kinet has no more frames.</source>
        <translation>Kinect ne fournit plus d&apos;images.</translation>
    </message>
    <message>
        <source>Kinect stream was not enebaled.</source>
        <translation>Le flux Kinect n&apos;a pas été activé.</translation>
    </message>
    <message>
        <source>Kinect image stream is in use.</source>
        <translation>Le flux d&apos;images Kinect est déjà utilisé.</translation>
    </message>
    <message>
        <source>Kinect frames limit is exceeded.</source>
        <translation>Le nombre maximal d&apos;images Kinect est dépassé.</translation>
    </message>
    <message>
        <source>Kinect feature was not initialized.</source>
        <translation>La fonctionnalité Kinect n&apos;a pas été initialisée.</translation>
    </message>
    <message>
        <source>Kinect device is not genuine.</source>
        <translation>L&apos;appareil Kinect n&apos;est pas authentique.</translation>
    </message>
    <message>
        <source>Kinect communication insufficient bandwidth.</source>
        <translation>Bande passante insuffisante pour la communication Kinect.</translation>
    </message>
    <message>
        <source>Kinect feature is not supported.</source>
        <translation>La fonctionnalité Kinect n&apos;est pas prise en charge.</translation>
    </message>
    <message>
        <source>Kinect device is in use.</source>
        <translation>L&apos;appareil Kinect est déjà utilisé.</translation>
    </message>
    <message>
        <source>Kinect database was not found.</source>
        <translation>La base de données Kinect est introuvable.</translation>
    </message>
    <message>
        <source>Kinect database has an invalid version.</source>
        <translation>La version de la base de données Kinect n&apos;est pas valide.</translation>
    </message>
    <message>
        <source>Kinect feature is unavailable.</source>
        <translation>La fonctionnalité Kinect n&apos;est pas disponible.</translation>
    </message>
    <message>
        <source>Kinect is not ready.</source>
        <translation>Kinect n&apos;est pas prêt.</translation>
    </message>
    <message>
        <source>Kinect skeletal engine is busy.</source>
        <translation>Le moteur de suivi du squelette Kinect est occupé.</translation>
    </message>
    <message>
        <source>Kinect is not powered.</source>
        <translation>Kinect n&apos;est pas alimenté.</translation>
    </message>
    <message>
        <source>Kinect bad index.</source>
        <translation>Index Kinect incorrect.</translation>
    </message>
    <message>
        <source>Kinect received too many commands.</source>
        <translation>Kinect a reçu trop de commandes.</translation>
    </message>
    <message>
        <source>Kinect can not execute command. Retry once again.</source>
        <translation>Kinect ne peut pas exécuter la commande. Veuillez réessayer.</translation>
    </message>
    <message>
        <source>A BLE device has already been subscribed for value changes notifications.</source>
        <translation>Un appareil BLE est déjà abonné aux notifications de changement de valeur.</translation>
    </message>
    <message>
        <source>A BLE device has not been subscribed for value changes notifications.</source>
        <translation>Un appareil BLE n&apos;est pas abonné aux notifications de changement de valeur.</translation>
    </message>
    <message>
        <source>A notification descriptor was not found.</source>
        <translation>Un descripteur de notification est introuvable.</translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>Erreur inconnue</translation>
    </message>
</context>
<context>
    <name>lnkExceptions</name>
    <message>
        <source>Radio parameter is not valid.</source>
        <translation>Le paramètre de module radio n&apos;est pas valide.</translation>
    </message>
    <message>
        <source>Connection is active.</source>
        <translation>La connexion est active.</translation>
    </message>
    <message>
        <source>%1 object is not valid.</source>
        <translation>L&apos;objet %1 n&apos;est pas valide.</translation>
    </message>
    <message>
        <source>Timeout is not valid.</source>
        <translation>Le délai d&apos;attente n&apos;est pas valide.</translation>
    </message>
    <message>
        <source>Unsupportred transport.</source>
        <translation>Type de liaison non pris en charge.</translation>
    </message>
    <message>
        <source>Cannot assign nil.</source>
        <translation>Impossible d&apos;affecter une valeur nulle.</translation>
    </message>
    <message>
        <source>Cannot assign an object of another class.</source>
        <translation>Impossible d&apos;affecter un objet d&apos;une autre classe.</translation>
    </message>
    <message>
        <source>Buffers object is not valid.</source>
        <translation>L&apos;objet de tampons n&apos;est pas valide.</translation>
    </message>
    <message>
        <source>Connection is required.</source>
        <translation>Une connexion est requise.</translation>
    </message>
    <message>
        <source>Invalid buffer size.</source>
        <translation>Taille de tampon non valide.</translation>
    </message>
    <message>
        <source>Invalid BaudRate value.</source>
        <translation>Débit en bauds non valide.</translation>
    </message>
    <message>
        <source>Invalid port number</source>
        <translation>Numéro de port non valide</translation>
    </message>
    <message>
        <source>Invalid service.</source>
        <translation>Service non valide.</translation>
    </message>
    <message>
        <source>%1 is not valid IrDA address.</source>
        <translation>%1 n&apos;est pas une adresse IrDA valide.</translation>
    </message>
    <message>
        <source>%1 is not valid bluetooth address.</source>
        <translation>%1 n&apos;est pas une adresse Bluetooth valide.</translation>
    </message>
    <message>
        <source>Device parameter is not valid.</source>
        <translation>Le paramètre d&apos;appareil n&apos;est pas valide.</translation>
    </message>
    <message>
        <source>Index out of bounds (%1).</source>
        <translation>Index hors limites (%1).</translation>
    </message>
    <message>
        <source>Devices parameter is not valid.</source>
        <translation>Le paramètre de liste d&apos;appareils n&apos;est pas valide.</translation>
    </message>
    <message>
        <source>%1 is not valid Bluetooth address.</source>
        <translation>%1 n&apos;est pas une adresse Bluetooth valide.</translation>
    </message>
    <message>
        <source>Service parameter is not valid.</source>
        <translation>Le paramètre de service n&apos;est pas valide.</translation>
    </message>
</context>
</TS>
