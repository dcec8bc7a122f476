<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
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
        <translation>Appareil</translation>
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
        <translation>Aucune interface libre / disponible !!!</translation>
    </message>
    <message>
        <source>Disconnected</source>
        <translation>Déconnecté</translation>
    </message>
    <message>
        <source>Search device...</source>
        <translation>Recherche de l&apos;appareil...</translation>
    </message>
    <message>
        <source>Wait...</source>
        <translation>Attente...</translation>
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
    <name>TSelectDeviceForm</name>
    <message>
        <source>Select Device</source>
        <translation>Sélectionner l’appareil</translation>
    </message>
    <message>
        <source>Devices</source>
        <translation>Appareils</translation>
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
</TS>
