# Embeds the network blobs of src/models/*.bin into the library as byte
# arrays (filled in by the network work; nothing to do while there are none).
